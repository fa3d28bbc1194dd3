// The tray icon through QSystemTrayIcon. The record's tip becomes the tooltip and
// its icon field picks the application or the paused picture.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>

#include "platform/services.h"

namespace snaprill {

// The program's pictures, drawn rather than shipped so that the program runs from
// its build folder as well as installed.
QIcon applicationIcon();
QIcon pausedIcon();

class QtTray : public Tray {
 public:
  QtTray();
  bool notify(TrayOperation op, const TrayIconRecord& record) override;
  // For the window: the context menu and the activation signal.
  QSystemTrayIcon& icon() { return icon_; }

 private:
  void apply(const TrayIconRecord& record);

  QSystemTrayIcon icon_;
  QIcon application_;
  QIcon paused_;
};

}  // namespace snaprill
