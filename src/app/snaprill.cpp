// The program entry: the application, the real platform services, the capture
// cycle and its window, then the event loop.
#include <QLayout>
#include <QStatusBar>
#include <cstring>

#include "capture/capture_cycle.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/process_launcher.h"
#include "platform/program_dir.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/qt_text_renderer.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_tray.h"
#include "platform/x11/reference_screen.h"
#include "platform/x11/xfixes_cursor.h"
#include "settings/settings_file.h"
#include "ui/application.h"
#include "ui/automation_link.h"
#include "ui/desktop_triggers.h"
#include "ui/main_window.h"
#include "ui/quit_signals.h"

int main(int argc, char* argv[]) {
  using namespace snaprill;
  SnaprillApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Snaprill"));
  QApplication::setWindowIcon(applicationIcon());
  // Hidden in the tray the program still runs; only the close path ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // Only the first argument counts (Qt has taken its own options out of argv).
  const bool hideSwitch =
      argc > 1 && (std::strcmp(argv[1], "-hide") == 0 || std::strcmp(argv[1], "/hide") == 0);

  QtClipboard clipboard;
  QtDialogs dialogs;
  QtTray tray;
  SystemClock clock;
  ProcessLauncher launcher;
  QtEventPump events;
  Platform platform{clipboard,
                    dialogs,
                    tray,
                    clock,
                    launcher,
                    events,
                    newQtTimer,
                    locateProgramDirectories(),
                    queryReferenceScreen()};
  XFixesCursorSource cursor;
  QtTextRenderer textRenderer;
  platform.cursor = &cursor;
  platform.text = &textRenderer;
  Options options;
  Texts texts;
  CaptureCycle cycle(options, texts, platform);
  connectSettings(cycle);
  app.setExceptionHandler([&cycle](std::exception_ptr error) { cycle.handleException(error); });

  // The capture timer ticks only while a picture is offered (see qt_timer.h), the
  // hotkey timer only while a hotkey's key is down.
  QtTimer& captureTimer = asQtTimer(cycle.captureTimer());
  captureTimer.setGate([&clipboard] { return clipboard.hasBitmap(); });
  QObject::connect(&clipboard, &QtClipboard::changed, &captureTimer, &QtTimer::gateChanged);
  DesktopTriggers triggers(cycle, clipboard);

  MainWindow window(cycle, tray);
  dialogs.setParent(&window);
  // Until the window has its option pages, the automation's link sits in its middle.
  window.centralWidget()->layout()->addWidget(
      new AutomationLink(triggers.automation(), window.centralWidget()));
  const QuitOnSignals quitOnSignals([&window] { window.closeProgram(); });
  window.startUp(hideSwitch);
  triggers.hotkeys().clearLatches();
  if (isWaylandSession()) {
    window.statusBar()->showMessage(QString::fromStdString(texts.get("Main", "WaylandNote")),
                                    20000);
  }
  const int status = QApplication::exec();
  app.setExceptionHandler(nullptr);  // the cycle goes before the application
  return status;
}
