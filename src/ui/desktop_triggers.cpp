#include "ui/desktop_triggers.h"

#include <cstdlib>

#include "backends/qt/qt_timer.h"

namespace snaprill {

bool isWaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display != nullptr && *display != '\0';
}

namespace {

// In a Wayland session only the compositor sees the screen; on X11 the program's
// Print Screen sends the system's keys while it copies to the clipboard.
std::unique_ptr<NativePrintScreen> ownPrintScreen(Session& session, OwnPictures& pictures,
                                                  ScreenGrabber* native, ScreenGrabber& x11,
                                                  Clipboard* servingClipboard,
                                                  KeyInjector& x11Keys) {
  if (native == nullptr && isWaylandSession()) return nullptr;
  return std::make_unique<NativePrintScreen>(
      session.options, session.services.clock,
      NativePrintScreen::Ways{native != nullptr ? *native : x11, pictures, servingClipboard,
                              native != nullptr ? nullptr : &x11Keys});
}

}  // namespace

DesktopTriggers::DesktopTriggers(Session& session, OwnPictures& pictures, ScreenGrabber* native,
                                 Clipboard* servingClipboard)
    : cycle_(session.cycle),
      printScreen_(ownPrintScreen(session, pictures, native, screen_, servingClipboard, keyboard_)),
      standIn_(printScreen_ == nullptr ? nullptr
                                       : std::make_unique<PrintScreenStandIn>(
                                             keyboard_, *printScreen_,
                                             [&options = session.options] {
                                               return options.checked(Option::printKeyCopiesScreen);
                                             })),
      hotkeys_(session.options, session.cycle, session.reports, session.settings, session.services,
               keyboard_,
               printScreen_ != nullptr ? static_cast<KeyInjector&>(*printScreen_) : keyboard_),
      automation_(session.options, session.texts, session.cycle, session.services, keyboard_,
                  printScreen_ != nullptr ? printScreen_->automation()
                                          : static_cast<KeyInjector&>(keyboard_)) {
  // The hotkey timer ticks only while a hotkey's key is down or a latch waits.
  QtTimer& timer = asQtTimer(hotkeys_.timer());
  timer.setGate([this] { return hotkeys_.wantsTicks(); });
  gateWatch_ = hotkeys_.wantsTicksChanged.add([&timer] { timer.gateChanged(); });
  cycle_.addObserver(*this);
}

DesktopTriggers::~DesktopTriggers() {
  cycle_.removeObserver(*this);
  hotkeys_.wantsTicksChanged.remove(gateWatch_);
  asQtTimer(hotkeys_.timer()).setGate([] { return false; });
}

}  // namespace snaprill
