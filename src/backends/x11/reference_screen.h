// The X11 screen as the reference device of metafiles.
#pragma once

#include "formats/emf/reference_screen.h"

namespace snaprill {

// The default screen of the display named by DISPLAY (or displayName): its size in
// pixels and millimetres. A screen that reports no physical size counts as 96 dots
// per inch; with no display at all the result is ReferenceScreen's default.
ReferenceScreen queryReferenceScreen(const char* displayName = nullptr);

}  // namespace snaprill
