// The main window's life: start-up, hiding to the tray and coming back, its place
// on the screen, and the close.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QStatusBar>

#include "ui/guarded.h"
#include "ui/main_window.h"
#include "ui/no_tray_notice.h"
#include "ui/option_pages.h"
#include "ui/settings_file_notice.h"
#include "ui/window_place.h"

namespace snaprill {

void MainWindow::startUp(bool hideSwitch) {
  runningFor_.start();
  // Defaults, then the main settings file in full (which applies its language
  // and may pause the cycle), then the output folder made usable.
  SettingsFiles& settings = session_.settings;
  LoadedSettings loaded;
  guarded(session_.reports,
          [&settings, &loaded] { loaded = settings.loadStartup(settings.mainFile()); });
  guarded(session_.reports, [&settings] { settings.settleOutputDirectory(); });
  // From here on a change is saved a moment later, not only at the close: a display
  // that goes away ends the program without one.
  settings.saveChangesSoon(session_.services.newTimer());
  applyTexts();
  pages_->refreshOverlayPreview();
  guarded(session_.reports, [this] {
    session_.cycle.start();
    if (session_.options.checked(Option::trayIconAlways)) session_.status.tray().add();
  });
  // Once, after the counter: the user would otherwise learn only at the close.
  if (const auto notice = settingsFileNotice(settings.mainFile(), session_.texts)) {
    session_.reports.notice(*notice);
  }
  placeWindow(loaded.windowPositionStored);
  if (hideSwitch) {
    // The window is never shown at all, rather than shown and hidden a moment
    // later: nothing flashes on the screen. The hide runs once the event loop does.
    setWindowTitle(QString());
    hideTimer_.start();
  } else {
    show();
  }
}

void MainWindow::onHideTick() {
  hideTimer_.stop();
  hideWindow();
  refreshView();  // the caption, which the hide switch had emptied
}

void MainWindow::hideWindow() {
  if (hiddenToTray_) return;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    // An invisible window without a tray icon could never be found again.
    showMinimized();
    noTrayNotice_->show();
    return;
  }
  noTrayNotice_->checkTray();
  hiddenToTray_ = true;
  guarded(session_.reports, [this] {
    session_.status.tray().showForHiddenWindow(session_.options.checked(Option::trayIconAlways));
  });
  hide();
}

void MainWindow::showWindow() {
  noTrayNotice_->checkTray();
  hiddenToTray_ = false;
  showNormal();
  raise();
  activateWindow();
  guarded(session_.reports, [this] {
    if (!session_.options.checked(Option::trayIconAlways)) session_.status.tray().remove();
  });
}

bool MainWindow::shownOnScreen() const {
  return isVisible() && !isMinimized() && !hiddenToTray_;
}

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::DoubleClick) return;
  if (shownOnScreen()) {
    hideWindow();
  } else {
    showWindow();
  }
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // The user turns to the window: a tray host started meanwhile ends the notice
  // that there was none.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) noTrayNotice_->checkTray();
  // Minimised by the desktop (a taskbar, a keyboard shortcut): to the tray, as the
  // Hide Window link does, where there is one.
  if (event->type() == QEvent::WindowStateChange && isMinimized() && !closing_ && !hiddenToTray_ &&
      QSystemTrayIcon::isSystemTrayAvailable()) {
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hideWindow();
    });
  }
}

void MainWindow::placeWindow(bool positionFromSettings) {
  QMainWindow::layout()->activate();
  QList<QRect> screens;
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    screens << primary->availableGeometry();
  }
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) screens << screen->availableGeometry();
  }
  const QRect remembered(
      QPoint(session_.options.value(Option::windowLeft), session_.options.value(Option::windowTop)),
      size());
  move(windowPlace(remembered, positionFromSettings, screens));
}

void MainWindow::storeWindowPlace() {
  session_.options.setValue(Option::windowTop, pos().y());
  session_.options.setValue(Option::windowLeft, pos().x());
}

void MainWindow::closeProgram() {
  if (closing_) return;
  closing_ = true;
  // Kept for the next start; a window started hidden keeps the place it was given.
  storeWindowPlace();
  guarded(session_.reports, [this] { session_.cycle.close([this] { endClose(); }); });
  session_.status.closing();
  if (!session_.cycle.writing()) endClose();
}

void MainWindow::endClose() {
  if (closed_) return;
  closed_ = true;
  session_.status.closing();
  guarded(session_.reports, [this] { session_.settings.close(); });
  QCoreApplication::quit();
}

void MainWindow::finishClose() {
  if (!closing_) return;
  guarded(session_.reports, [this] { session_.cycle.finishWrites(); });
  endClose();
}

void MainWindow::exitFromTray() {
  closeProgram();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closeProgram();
  event->accept();
}

}  // namespace snaprill
