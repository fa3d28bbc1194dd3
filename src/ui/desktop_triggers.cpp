#include "ui/desktop_triggers.h"

#include <cstdlib>

#include "backends/qt/qt_timer.h"

namespace snaprill {

bool isWaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display != nullptr && *display != '\0';
}

DesktopTriggers::DesktopTriggers(Session& session, KeyInjector* printScreen)
    : standIn_(
          keyboard_, screen_, session.services.clipboard,
          // In a Wayland session only the program's own Print Screen sees the screen.
          [&options = session.options, blind = isWaylandSession() && printScreen == nullptr] {
            return !blind && options.checked(Option::printKeyCopiesScreen);
          },
          printScreen),
      hotkeys_(session.options, session.cycle, session.settings, session.services, keyboard_,
               printScreen != nullptr ? *printScreen : keyboard_),
      automation_(session.options, session.texts, session.cycle, session.services, keyboard_,
                  printScreen != nullptr ? *printScreen : keyboard_) {
  // The hotkey timer ticks only while a hotkey's key is down or a latch waits.
  QtTimer& timer = asQtTimer(hotkeys_.timer());
  timer.setGate([this] { return hotkeys_.wantsTicks(); });
  gateWatch_ = hotkeys_.wantsTicksChanged.add([&timer] { timer.gateChanged(); });
}

DesktopTriggers::~DesktopTriggers() {
  hotkeys_.wantsTicksChanged.remove(gateWatch_);
  asQtTimer(hotkeys_.timer()).setGate([] { return false; });
}

}  // namespace snaprill
