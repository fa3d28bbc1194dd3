// The tray icon through QSystemTrayIcon. The record's tip becomes the tooltip and
// its icon field picks the application or the paused picture.
#pragma once

#include <QIcon>
#include <QSystemTrayIcon>

#include "platform/services.h"

namespace snaprill {

class QtTray : public Tray {
 public:
  // The pictures come from the windows' layer, which holds the program's resources.
  QtTray(QIcon application, QIcon paused);
  bool notify(TrayOperation op, const TrayIconRecord& record) override;
  // For the window: the context menu, the activation signal and notices.
  QSystemTrayIcon& icon() { return icon_; }

 private:
  void apply(const TrayIconRecord& record);

  QSystemTrayIcon icon_;
  QIcon application_;
  QIcon paused_;
};

}  // namespace snaprill
