#include "backends/qt/qt_tray.h"

namespace snaprill {

QtTray::QtTray(QIcon application, QIcon paused)
    : application_(std::move(application)), paused_(std::move(paused)) {
  icon_.setIcon(application_);
}

void QtTray::apply(const TrayIconRecord& record) {
  icon_.setIcon(record.icon == TrayIcon::Paused ? paused_ : application_);
  icon_.setToolTip(QString::fromUtf8(record.tip().c_str()));
}

bool QtTray::notify(TrayOperation op, const TrayIconRecord& record) {
  switch (op) {
    case TrayOperation::Add:
      apply(record);
      icon_.show();
      return QSystemTrayIcon::isSystemTrayAvailable();
    case TrayOperation::Modify:
      // As with the shell, modifying an icon that is not there changes nothing.
      if (!icon_.isVisible()) return false;
      apply(record);
      return true;
    case TrayOperation::Delete:
      icon_.hide();
      return true;
  }
  return false;
}

}  // namespace snaprill
