// The window that has the focus now, for the capture history: asked of the X server
// on an X11 desktop, of sway through its IPC socket; KWin and GNOME's Mutter offer
// no documented way for a program to learn it, so there it stays empty.
#pragma once

#include "platform/capture_source.h"

namespace snaprill {

FocusedWindow focusedWindowNow();

}  // namespace snaprill
