// The window that has the focus on an X11 desktop, as the window manager tells it
// (_NET_ACTIVE_WINDOW on the root window): its application (the class of WM_CLASS)
// and its title (_NET_WM_NAME, else WM_NAME). For the capture history.
#pragma once

#include "platform/capture_source.h"

typedef struct _XDisplay Display;

namespace snaprill {

// Both empty without a window manager that names the active window, or when that
// window is gone by the time it is asked about.
FocusedWindow x11FocusedWindow(Display* display);

// The same on a connection of its own to $DISPLAY, opened at the first call and kept;
// from one thread only (the user-interface thread).
FocusedWindow x11FocusedWindow();

}  // namespace snaprill
