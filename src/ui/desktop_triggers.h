// The hotkeys, the automation and the Print Screen stand-in on the X11 desktop,
// wired to the capture cycle: the hotkey timer ticks only while a hotkey's key is
// down, and Print Screen copies the screen while the option says so. The pictures
// are the program's own (native_print_screen.h): taken through the compositor in a
// Wayland session where it has a way (the X server does not see the screen there),
// else from the X server.
#pragma once

#include <memory>
#include <string>

#include "backends/x11/print_screen_stand_in.h"
#include "backends/x11/x11_keyboard.h"
#include "backends/x11/x11_screen_grabber.h"
#include "triggers/automation.h"
#include "triggers/hotkeys.h"
#include "triggers/native_print_screen.h"
#include "ui/session.h"

namespace snaprill {

// Whether the program runs in a Wayland session (through XWayland).
bool isWaylandSession();

class DesktopTriggers : private CaptureObserver {
 public:
  // The session's timers must be QtTimers. `native` takes the pictures in a
  // Wayland session (without it, none are taken there: the hotkeys' keys go to
  // Xwayland for whatever answers them); `pictures` holds the pictures that go
  // straight to the cycle; `servingClipboard` is the clipboard where it serves our
  // offers to other programs. All of them outlive the triggers.
  DesktopTriggers(Session& session, OwnPictures& pictures, ScreenGrabber* native,
                  Clipboard* servingClipboard);
  ~DesktopTriggers() override;
  DesktopTriggers(const DesktopTriggers&) = delete;
  DesktopTriggers& operator=(const DesktopTriggers&) = delete;

  Hotkeys& hotkeys() { return hotkeys_; }
  Automation& automation() { return automation_; }
  X11ScreenGrabber& screenGrabber() { return screen_; }
  // The program's own Print Screen; nothing where no picture can be taken.
  NativePrintScreen* printScreen() { return printScreen_.get(); }

 private:
  // A burst of captures is over: the X server's shared segment goes.
  void burstEnded() override { screen_.releaseSharedMemory(); }

  CaptureCycle& cycle_;
  X11Keyboard keyboard_;
  X11ScreenGrabber screen_;
  std::unique_ptr<NativePrintScreen> printScreen_;
  std::unique_ptr<PrintScreenStandIn> standIn_;
  Hotkeys hotkeys_;
  Automation automation_;
  Callbacks::Id gateWatch_ = 0;
};

}  // namespace snaprill
