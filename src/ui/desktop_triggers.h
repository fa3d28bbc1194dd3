// The hotkeys, the automation and the Print Screen stand-in on the X11 desktop,
// wired to the capture cycle: the hotkey timer ticks only while a hotkey's key is
// down, and Print Screen copies the screen while the option says so (under
// Wayland through the program's own Print Screen, where there is one: the X
// server does not see the screen there).
#pragma once

#include <string>

#include "backends/x11/print_screen_stand_in.h"
#include "backends/x11/x11_keyboard.h"
#include "backends/x11/x11_screen_grabber.h"
#include "triggers/automation.h"
#include "triggers/hotkeys.h"
#include "ui/session.h"

namespace snaprill {

// Whether the program runs in a Wayland session (through XWayland).
bool isWaylandSession();

class DesktopTriggers {
 public:
  // The session's timers must be QtTimers. With `printScreen` the hotkeys' and the
  // automation's key presses go there instead of into the X server, and so does
  // the user's own Print Screen.
  explicit DesktopTriggers(Session& session, KeyInjector* printScreen = nullptr);
  ~DesktopTriggers();
  DesktopTriggers(const DesktopTriggers&) = delete;
  DesktopTriggers& operator=(const DesktopTriggers&) = delete;

  Hotkeys& hotkeys() { return hotkeys_; }
  Automation& automation() { return automation_; }
  X11ScreenGrabber& screenGrabber() { return screen_; }

 private:
  X11Keyboard keyboard_;
  X11ScreenGrabber screen_;
  PrintScreenStandIn standIn_;
  Hotkeys hotkeys_;
  Automation automation_;
  Callbacks::Id gateWatch_ = 0;
};

}  // namespace snaprill
