// The part the system plays on Windows: when Print Screen goes down, pressed by the
// user or sent by a hotkey or the automation, the whole screen is copied to the
// clipboard, or the active window with its frame when Alt is held. The program's
// own Print Screen (native_print_screen.h) takes the picture; from the clipboard
// the capture cycle takes it as it takes any picture, and other programs can paste
// it meanwhile.
//
// In a Wayland session the X server does not see the screen: there the compositor
// takes the picture, and Xwayland shows us the key only while one of our windows
// has the focus.
#pragma once

#include <functional>

#include "platform/services.h"
#include "triggers/native_print_screen.h"

namespace snaprill {

class PrintScreenStandIn {
 public:
  // `wanted` is asked at every press: the user may leave the copying to another
  // tool of the desktop. Everything given outlives this.
  PrintScreenStandIn(KeyboardState& keyboard, NativePrintScreen& printScreen,
                     std::function<bool()> wanted);
  ~PrintScreenStandIn();
  PrintScreenStandIn(const PrintScreenStandIn&) = delete;
  PrintScreenStandIn& operator=(const PrintScreenStandIn&) = delete;

 private:
  void keysChanged();

  KeyboardState& keyboard_;
  NativePrintScreen& printScreen_;
  std::function<bool()> wanted_;
  bool printDown_ = false;
  Callbacks::Id watch_ = 0;
};

}  // namespace snaprill
