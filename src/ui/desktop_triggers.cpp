#include "ui/desktop_triggers.h"

#include <cstdlib>

#include "backends/qt/qt_timer.h"

namespace snaprill {

bool isWaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display != nullptr && *display != '\0';
}

DesktopTriggers::DesktopTriggers(CaptureCycle& cycle, Clipboard& clipboard)
    : cycle_(cycle),
      standIn_(keyboard_, screen_, clipboard,
               [&cycle, wayland = isWaylandSession()] {
                 return !wayland && cycle.options.checked(Option::printKeyCopiesScreen);
               }),
      hotkeys_(cycle, keyboard_, keyboard_),
      automation_(cycle, keyboard_) {
  QtTimer& timer = asQtTimer(cycle.hotkeyTimer());
  timer.setGate([this] { return hotkeys_.wantsTicks(); });
  gateWatch_ = hotkeys_.wantsTicksChanged.add([&timer] { timer.gateChanged(); });
}

DesktopTriggers::~DesktopTriggers() {
  hotkeys_.wantsTicksChanged.remove(gateWatch_);
  asQtTimer(cycle_.hotkeyTimer()).setGate([] { return false; });
}

}  // namespace snaprill
