#include "ui/no_tray_notice.h"

#include <QStatusBar>
#include <QSystemTrayIcon>
#include <utility>

namespace snaprill {

NoTrayNotice::NoTrayNotice(QStatusBar& bar, CaptureCycle& cycle, std::function<QString()> text)
    : bar_(bar), cycle_(cycle), text_(std::move(text)) {
  cycle_.addObserver(*this);
}

NoTrayNotice::~NoTrayNotice() {
  cycle_.removeObserver(*this);
}

void NoTrayNotice::show() {
  if (shownOnce_) return;
  shownOnce_ = true;
  showing_ = true;
  bar_.showMessage(text_());
}

void NoTrayNotice::checkTray() {
  if (showing_ && QSystemTrayIcon::isSystemTrayAvailable()) end();
}

void NoTrayNotice::end() {
  if (!showing_) return;
  showing_ = false;
  // Another message shown since is not this notice's to take away.
  if (bar_.currentMessage() == text_()) bar_.clearMessage();
}

}  // namespace snaprill
