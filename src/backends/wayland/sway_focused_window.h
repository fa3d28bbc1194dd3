// Where the focused window is and what it is, asked of sway through its IPC socket
// (SWAYSOCK): the layout tree, in which the focused node carries its rectangle in
// the compositor's coordinates, frame (border and title) included, its application
// and its title.
#pragma once

#include <optional>
#include <string_view>

#include "image/bitmap.h"
#include "platform/capture_source.h"

namespace snaprill {

// Nothing when there is no sway, or the focus is on no window (an empty
// workspace).
std::optional<Rect> swayFocusedWindow();

// The focused window's rectangle in a layout tree as GET_TREE returns it; nothing
// when no window has the focus or the text is not such a tree.
std::optional<Rect> focusedWindowInTree(std::string_view json);

// The focused window's application (app_id, or the X11 class of an Xwayland window)
// and title; both empty without sway or without a focused window.
FocusedWindow swayFocusedWindowIdentity();
FocusedWindow focusedWindowIdentityInTree(std::string_view json);

}  // namespace snaprill
