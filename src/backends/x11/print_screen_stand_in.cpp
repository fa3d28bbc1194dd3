#include "backends/x11/print_screen_stand_in.h"

#include <X11/keysym.h>

namespace snaprill {

PrintScreenStandIn::PrintScreenStandIn(KeyboardState& keyboard, NativePrintScreen& printScreen,
                                       std::function<bool()> wanted)
    : keyboard_(keyboard), printScreen_(printScreen), wanted_(std::move(wanted)) {
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
  printScreen_.answerPress(keyboard_.isDown(XK_Alt_L) || keyboard_.isDown(XK_Alt_R));
}

}  // namespace snaprill
