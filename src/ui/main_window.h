// The main window over the capture engine: status bar, caption, the File and tray
// menus, hiding to the tray, start-up and the one close path.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <exception>

#include "capture/engine.h"
#include "platform/qt/qt_tray.h"

namespace snaprill {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  TForm1(CaptureEngine& engine, QtTray& tray);
  ~TForm1() override;

  // The start-up sequence after the engine's defaults: main settings, output
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
      engine_.handleException(std::current_exception());
    }
  }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  void refreshView();
  void trayActivated(QSystemTrayIcon::ActivationReason reason);
  void fixOutputDirectory();

  CaptureEngine& engine_;
  QtTray& tray_;
  QLabel* SB_ = nullptr;  // the status bar's one text
  QLabel* snaprillpaused_ = nullptr;
  QAction* PauseSnaprill1_ = nullptr;  // tray menu
  QAction* PauseSnaprill2_ = nullptr;  // File menu
  QMenu mnu_;                          // tray menu
  bool closing_ = false;
};

}  // namespace snaprill
