// The ui layer holds the Qt windows; they show and edit the options model and drive
// the capture cycle, and hold no option of their own.
//
// The main window over the capture cycle: status bar, caption, the File and tray
// menus, hiding to the tray, start-up and the one close path.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <exception>

#include "capture/capture_cycle.h"
#include "platform/qt/qt_tray.h"

namespace snaprill {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(CaptureCycle& cycle, QtTray& tray);
  ~MainWindow() override;

  // The start-up sequence after the cycle's defaults: main settings, output
  // directory, status and tray, then the window shown (or, with the hide switch,
  // only the tray icon).
  void startUp(bool hideSwitch);
  // Every way out ends here (window close, File and tray Exit, termination
  // signals): the close query runs once, then the event loop ends.
  void closeProgram();
  void hideToTray();
  void showFromTray();

  // Runs f; whatever it throws goes to the program-wide handler.
  template <class F>
  void guarded(F&& f) {
    try {
      f();
    } catch (...) {
      cycle_.handleException(std::current_exception());
    }
  }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void refreshView();
  void trayActivated(QSystemTrayIcon::ActivationReason reason);

  CaptureCycle& cycle_;
  QtTray& tray_;
  QLabel* statusText_ = nullptr;  // the status bar's one text
  QLabel* pausedNotice_ = nullptr;
  QAction* trayPauseAction_ = nullptr;  // tray menu
  QAction* filePauseAction_ = nullptr;  // File menu
  QMenu trayMenu_;                      // tray menu
  bool closing_ = false;
  Callbacks::Id viewWatch_ = 0;
};

}  // namespace snaprill
