#include "backends/x11/print_screen_stand_in.h"

#include <exception>

#include <X11/keysym.h>

#include "triggers/print_screen_keys.h"

namespace snaprill {

PrintScreenStandIn::PrintScreenStandIn(KeyboardState& keyboard, X11ScreenGrabber& screen,
                                       Clipboard& clipboard, std::function<bool()> wanted,
                                       KeyInjector* native)
    : keyboard_(keyboard),
      screen_(screen),
      clipboard_(clipboard),
      wanted_(std::move(wanted)),
      native_(native) {
  printDown_ = keyboard_.isDown(XK_Print);
  watch_ = keyboard_.changed.add([this] { keysChanged(); });
}

PrintScreenStandIn::~PrintScreenStandIn() {
  keyboard_.changed.remove(watch_);
}

void PrintScreenStandIn::keysChanged() {
  const bool wasDown = printDown_;
  printDown_ = keyboard_.isDown(XK_Print);
  if (!printDown_ || wasDown || !wanted_()) return;
  const bool window = keyboard_.isDown(XK_Alt_L) || keyboard_.isDown(XK_Alt_R);
  if (native_ != nullptr) {
    return window ? sendAltPrintScreen(keyboard_, *native_) : sendPrintScreen(keyboard_, *native_);
  }
  try {
    Bitmap picture = window ? screen_.grabActiveWindow() : screen_.grabScreen();
    if (!picture.empty()) clipboard_.offer(std::move(picture));
  } catch (const std::exception&) {
    // A screen too large for a bitmap: as when the system cannot copy it, nothing
    // arrives on the clipboard.
  }
}

}  // namespace snaprill
