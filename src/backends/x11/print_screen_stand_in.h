// The part the system plays on Windows: when Print Screen goes down, pressed by the
// user or sent by a hotkey or the automation, the whole screen is copied to the
// clipboard, or the active window with its frame when Alt is held. From there the
// capture cycle takes it as it takes any picture; other programs can paste it
// meanwhile.
//
// In a Wayland session the X server does not see the screen: there the press is
// passed on as keys to the program's own Print Screen (native_print_screen.h),
// which takes the picture through the compositor. Xwayland shows us the key only
// while one of our windows has the focus.
#pragma once

#include <functional>

#include "backends/x11/x11_screen_grabber.h"
#include "platform/services.h"

namespace snaprill {

class PrintScreenStandIn {
 public:
  // `wanted` is asked at every press: the user may leave the copying to another
  // tool of the desktop. With `native`, presses go there instead of to the X11
  // grab; it outlives this.
  PrintScreenStandIn(KeyboardState& keyboard, X11ScreenGrabber& screen, Clipboard& clipboard,
                     std::function<bool()> wanted, KeyInjector* native = nullptr);
  ~PrintScreenStandIn();
  PrintScreenStandIn(const PrintScreenStandIn&) = delete;
  PrintScreenStandIn& operator=(const PrintScreenStandIn&) = delete;

 private:
  void keysChanged();

  KeyboardState& keyboard_;
  X11ScreenGrabber& screen_;
  Clipboard& clipboard_;
  std::function<bool()> wanted_;
  KeyInjector* native_;
  bool printDown_ = false;
  Callbacks::Id watch_ = 0;
};

}  // namespace snaprill
