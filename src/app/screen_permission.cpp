#include "app/screen_permission.h"

#include <QEvent>
#include <QWidget>
#include <cstdlib>
#include <string_view>

namespace snaprill {

bool desktopAsksOnlyWhenFocused() {
  // XDG_CURRENT_DESKTOP is a colon-separated list ("ubuntu:GNOME").
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  return desktops != nullptr && std::string_view(desktops).find("GNOME") != std::string_view::npos;
}

ScreenPermission::ScreenPermission(QWidget& window, std::function<void(bool asking)> say,
                                   std::function<QString()> parent)
    : QObject(&window), say_(std::move(say)), parent_(std::move(parent)) {
  window.installEventFilter(this);
  if (window.isActiveWindow()) ask();
}

bool ScreenPermission::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !asked_) ask();
  return QObject::eventFilter(watched, event);
}

void ScreenPermission::ask() {
  // Once a run: the store keeps the answer for the runs after.
  asked_ = true;
  portal_.lookUpPermission([this](PortalScreenshot::Permission permission) {
    if (permission != PortalScreenshot::Permission::Unset) return;
    say_(true);
    portal_.take(false, parent_(), [this](const TakenPicture&) { say_(false); });
  });
}

}  // namespace snaprill
