// Where the focused window is, asked of sway through its IPC socket (SWAYSOCK):
// the layout tree, in which the focused node carries its rectangle in the
// compositor's coordinates, frame (border and title) included.
#pragma once

#include <optional>
#include <string_view>

#include "image/bitmap.h"

namespace snaprill {

// Nothing when there is no sway, or the focus is on no window (an empty
// workspace).
std::optional<Rect> swayFocusedWindow();

// The focused window's rectangle in a layout tree as GET_TREE returns it; nothing
// when no window has the focus or the text is not such a tree.
std::optional<Rect> focusedWindowInTree(std::string_view json);

}  // namespace snaprill
