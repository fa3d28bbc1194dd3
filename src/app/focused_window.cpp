#include "app/focused_window.h"

#include "backends/x11/x11_focused_window.h"
#ifdef SNAPRILL_HAVE_WAYLAND
#include "backends/wayland/sway_focused_window.h"
#endif
#include "ui/desktop_triggers.h"

namespace snaprill {

FocusedWindow focusedWindowNow() {
  if (isWaylandSession()) {
#ifdef SNAPRILL_HAVE_WAYLAND
    // Xwayland's active window is only ever an X11 one: no answer rather than a
    // wrong one.
    return swayFocusedWindowIdentity();
#else
    return {};
#endif
  }
  return x11FocusedWindow();
}

}  // namespace snaprill
