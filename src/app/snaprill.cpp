// The program entry: the application, one program per settings folder, the real
// platform services, the capture cycle, its triggers and its window, then the event
// loop.
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "app/capture_command.h"
#include "app/capture_requests.h"
#include "app/desktop_shortcuts.h"
#include "app/focused_window.h"
#include "app/screen_permission.h"
#include "backends/qt/qt_background_work.h"
#include "backends/qt/qt_clipboard.h"
#include "backends/qt/qt_dialogs.h"
#include "backends/qt/qt_timer.h"
#include "backends/qt/qt_tray.h"
#ifdef SNAPRILL_HAVE_WAYLAND
#include "backends/wayland/wayland_clipboard.h"
#include "backends/wayland/wayland_screen_grabber.h"
#endif
#include "base/product.h"
#include "base/text.h"
#include "capture/capture_cycle.h"
#include "capture/capture_reports.h"
#include "history/find_command.h"
#include "history/index_location.h"
#include "options/options.h"
#include "options/overwrite_warning.h"
#include "options/quality_bar.h"
#include "options/texts.h"
#include "platform/own_pictures.h"
#include "platform/process_launcher.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"
#include "ui/accessible_widgets.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/desktop_triggers.h"
#include "ui/history_keeper.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/option_pages.h"
#include "ui/platform_choice.h"
#include "ui/qt_translations.h"
#include "ui/quit_signals.h"
#include "ui/single_instance.h"

// Last: its macros (None, Bool, Status) clash with names in the Qt headers.
#include <X11/Xlib.h>

namespace {

// Qt's painting crashes on an 8-bit screen, before any window shows; 15, 16, 24 and
// 30 bits work. X servers offer nothing between 8 and 15.
constexpr int kLeastDepth = 15;

// Why the X display cannot be used, or nothing. Qt ends the program with an abort
// when it cannot reach the X server, and crashes on a screen it cannot paint on; a
// user deserves a sentence instead, and a script a plain failure status.
std::string xDisplayProblem() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return "cannot open the X display (DISPLAY is not set)";
  Display* display = XOpenDisplay(name);
  if (display == nullptr) return "cannot open the X display \"" + std::string(name) + "\"";
  const int depth = DefaultDepth(display, DefaultScreen(display));
  XCloseDisplay(display);
  if (depth < kLeastDepth) {
    return "the X display \"" + std::string(name) + "\" shows " + std::to_string(depth) +
           "-bit colour; snaprill needs at least " + std::to_string(kLeastDepth) + "-bit colour";
  }
  return {};
}

constexpr const char* kUsage =
    "Usage: snaprill [-hide] [Qt option]...\n"
    "  or:  snaprill --capture=screen|window\n"
    "  or:  snaprill --find WORDS... [--since DATE] [--app NAME] [-0]";

constexpr const char* kHelp =
    "Usage: snaprill [-hide] [Qt option]...\n"
    "  or:  snaprill --capture=screen|window\n"
    "  or:  snaprill --find WORDS... [--since DATE] [--app NAME] [-0]\n"
    "Save every picture that arrives on the clipboard (Print Screen, a hotkey, the\n"
    "automation timer) as the next numbered image file, with the adjustments chosen in\n"
    "the window. One Snaprill runs per settings folder; starting it again shows the\n"
    "running one's window.\n"
    "\n"
    "  -hide, /hide   start in the system tray, without the window\n"
    "  --capture=screen, --capture=window\n"
    "                 take the whole screen (or the active window) as Print Screen\n"
    "                 (Alt+Print Screen) does, and end: the running Snaprill saves\n"
    "                 it; with none running, this command saves it with the saved\n"
    "                 settings. Exit status 0 once the file is written, 1 with\n"
    "                 the reason when no picture was taken or saved (paused, the\n"
    "                 desktop refused, the folder cannot be written)\n"
    "  --find WORDS   print the paths of the captures whose text, window title,\n"
    "                 application or file name hold every word (or a word's\n"
    "                 beginning), newest first, one per line; exit status 1 when\n"
    "                 none does. Date words limit the time: today, yesterday,\n"
    "                 2026-03-07, 2026-03-01..2026-03-07\n"
    "    --since DATE   only captures from that day on\n"
    "    --app NAME     only captures of that application (part of its name)\n"
    "    -0             end each path with a NUL byte instead of a newline\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Bind --capture to a key in the desktop's settings, for example:\n"
    "  GNOME  a gsettings custom-keybinding (or Settings > Keyboard > Custom\n"
    "         Shortcuts) with the command snaprill --capture=screen; see snaprill(1)\n"
    "  KDE    System Settings > Shortcuts > Add New > Command or Script\n"
    "  Xfce   xfconf-query -c xfce4-keyboard-shortcuts -n -t string\n"
    "           -p /commands/custom/Print -s 'snaprill --capture=screen'\n"
    "  sway   bindsym Print exec snaprill --capture=screen\n"
    "\n"
    "In a Wayland session the clipboard is watched through the compositor's data-control\n"
    "protocol where it has one (KDE Plasma, sway and other wlroots desktops), else through\n"
    "Xwayland (GNOME); the status bar says which at start.\n"
    "\n"
    "Qt's own options (-display, -platform, -style ...) are accepted too.\n"
    "SNAPRILL_HOME names one folder for settings, language files and default output.\n"
    "See snaprill(1); snaprill-batch saves picture files the same way from a script.\n";

// --help and --version need no display; nothing when neither is asked for.
std::optional<int> answerInformationOptions(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::fputs(snaprill::versionText("snaprill").c_str(), stdout);
      return 0;
    }
  }
  return std::nullopt;
}

// What is left after Qt took its own options: the hide switch first, nothing else
// that looks like an option.
bool onlyKnownOptionsLeft(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const bool hide = i == 1 && (std::strcmp(argv[i], "-hide") == 0);
    if (!hide && argv[i][0] == '-') {
      std::fprintf(stderr, "snaprill: unknown option \"%s\"\n%s\n", argv[i], kUsage);
      return false;
    }
  }
  return true;
}

// How long a running Snaprill of an older version may take over a capture without
// saying anything meanwhile: up to twice the portal's minute.
constexpr std::chrono::seconds kOlderProgramLongest{130};

// snaprill --capture: the running Snaprill takes the picture and says how its capture
// went, or why not; with none running (or only another --capture, soon done), this
// one saves it.
int captureCommand(snaprill::SingleInstance& instance, snaprill::CaptureTarget target,
                   const snaprill::ProgramDirectories& dirs) {
  using Kind = snaprill::CaptureAnswer::Kind;
  if (!instance.first()) {
    if (const std::optional<snaprill::CaptureAnswer> answer =
            instance.askToCapture(target, std::chrono::seconds(5), kOlderProgramLongest)) {
      switch (answer->kind) {
        case Kind::Saved:
        case Kind::Kept:
          return 0;
        case Kind::Refused:
          std::fprintf(stderr, "snaprill: no picture taken: %s\n", answer->detail.c_str());
          return 1;
        case Kind::Unsaved:
          std::fprintf(stderr, "snaprill: the capture was not saved: %s\n", answer->detail.c_str());
          return 1;
      }
    }
    if (!instance.waitToBeFirst(5000)) {
      std::fputs("snaprill: the running Snaprill did not answer\n", stderr);
      return 1;
    }
  }
  return snaprill::captureOnce(target, dirs);
}

// The clipboard watcher: in a Wayland session the compositor's own where it lets a
// client follow its clipboard (every copy is seen then, whatever has the focus),
// else the X11 one, as Xwayland shows the clipboard.
class ClipboardChoice {
 public:
  explicit ClipboardChoice(const snaprill::Clock& clock) {
#ifdef SNAPRILL_HAVE_WAYLAND
    if (auto client = snaprill::DataControlClient::connect()) {
      wayland_ = std::make_unique<snaprill::WaylandClipboard>(std::move(client),
                                                              snaprill::newQtTimer(), clock);
    }
#endif
    if (!wayland_) x11_.emplace(snaprill::newQtTimer(), clock);
  }
  snaprill::Clipboard& clipboard() {
    if (wayland_) return *wayland_;
    return *x11_;
  }
  bool native() const {
    return wayland_ != nullptr;
  }

 private:
  std::unique_ptr<snaprill::Clipboard> wayland_;
  std::optional<snaprill::QtClipboard> x11_;
};

// snaprill --find: the capture history searched, no display needed.
int findCaptures(int argc, char* argv[]) {
  const std::optional<snaprill::ProgramDirectories> dirs =
      snaprill::programDirectoriesOrRefusal("snaprill");
  if (!dirs) return 1;
  const int status =
      snaprill::findCommand(std::vector<std::string>(argv + 2, argv + argc),
                            snaprill::existingIndexPath(*dirs), std::cout, std::cerr);
  std::cout.flush();
  return std::cout ? status : 1;
}

// The compositor's own ways of taking pictures in a Wayland session, where the build
// has them; nothing elsewhere.
class NativeGrabber {
 public:
  NativeGrabber() {
#ifdef SNAPRILL_HAVE_WAYLAND
    wayland_ = snaprill::nativeScreenGrabber();
#endif
  }
  snaprill::ScreenGrabber* get() const {
#ifdef SNAPRILL_HAVE_WAYLAND
    return wayland_.get();
#else
    return nullptr;
#endif
  }
  // Whether the compositor copies no outputs: pictures then come from KWin's
  // service or, on every other desktop, the portal.
  bool copiesNoOutputs() const {
#ifdef SNAPRILL_HAVE_WAYLAND
    return wayland_ && !wayland_->copiesOutputs();
#else
    return false;
#endif
  }
  // The window the portal's questions belong to.
  void setParentWindow(const QString& handle) {
#ifdef SNAPRILL_HAVE_WAYLAND
    if (wayland_) wayland_->setParentWindow(handle);
#else
    (void)handle;
#endif
  }

 private:
#ifdef SNAPRILL_HAVE_WAYLAND
  std::unique_ptr<snaprill::WaylandScreenGrabber> wayland_;
#endif
};

// The window as the desktop portal names a parent of its questions; none where Qt
// does not run on X11 (Wayland's handles need a protocol of their own).
QString portalParent(const QWidget& window) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return {};
  return QStringLiteral("x11:%1").arg(window.winId(), 0, 16);
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace snaprill;
  if (argc > 1 && std::strcmp(argv[1], "--find") == 0) return findCaptures(argc, argv);
  if (const std::optional<int> status = answerInformationOptions(argc, argv)) return *status;
  std::string captureProblem;
  const std::optional<CaptureTarget> capture = takeCaptureOption(argc, argv, captureProblem);
  if (!captureProblem.empty()) {
    std::fprintf(stderr, "snaprill: %s\n%s\n", captureProblem.c_str(), kUsage);
    return 2;
  }
  const PlatformChoice qtPlatform = choosePlatform(
      {userPlatformChoice(argc, argv, std::getenv("QT_QPA_PLATFORM")), xDisplayProblem,
       waylandDisplayReachable(), waylandPluginInstalled(), !capture});
  if (!qtPlatform.refusal.empty()) {
    std::fprintf(stderr, "snaprill: %s; snaprill-batch works without one\n",
                 qtPlatform.refusal.c_str());
    return 1;
  }
  QtArguments arguments(argc, argv, qtPlatform.platform);
  SnaprillApplication app(arguments.argc(), arguments.argv());
  // What is left once Qt took its own options out.
  argc = arguments.argc();
  argv = arguments.argv();
  if (!onlyKnownOptionsLeft(argc, argv)) return 2;
  QApplication::setApplicationName(QStringLiteral("Snaprill"));
  // The desktop entry's name: how desktops and their portals know the program.
  QGuiApplication::setDesktopFileName(QStringLiteral("snaprill"));
  QApplication::setWindowIcon(applicationIcon());
  installAccessibleWidgets();
  // Hidden in the tray the program still runs; only the close path ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // Only the first argument counts (Qt has taken its own options out of argv).
  const bool hideSwitch =
      argc > 1 && (std::strcmp(argv[1], "-hide") == 0 || std::strcmp(argv[1], "/hide") == 0);

  // A program already runs on these settings: it shows its window (unless this
  // start asked to stay hidden), and this one touches nothing, not even the
  // clipboard.
  const std::optional<ProgramDirectories> located = programDirectoriesOrRefusal("snaprill");
  if (!located) return 1;
  const ProgramDirectories& dirs = *located;
  // A --capture saving its own picture holds the lock without listening.
  SingleInstance instance(dirs.configDir, !capture);
  if (capture) return captureCommand(instance, *capture, dirs);
  if (!instance.first()) {
    if (instance.askToShow(3000, !hideSwitch)) return 0;
    // Its holder does not listen: a --capture, done in a moment.
    if (!instance.waitToBeFirst(5000)) return 0;
  }

  SystemClock clock;
  ClipboardChoice clipboardChoice(clock);
  Clipboard& clipboard = clipboardChoice.clipboard();
  // Pictures the program takes itself, where they go straight to the capture cycle.
  OwnPictures ownPictures(newQtTimer(), clock);
  NativeGrabber nativeGrabber;
  QtDialogs dialogs;
  QtTray tray(applicationIcon(), pausedIcon());
  ProcessLauncher launcher;
  // Before the cycle: it writes its captures here, and waits for them as it goes.
  QtBackgroundWork background;
  Platform platform{clipboard, dialogs, tray, clock, launcher, newQtTimer, dirs};
  platform.focusedWindow = focusedWindowNow;
  platform.background = &background;
  const DesktopPictureServices desktop(platform, nativeGrabber.get() != nullptr);
  platform.screenGrabber = nativeGrabber.get();
  Options options;
  Texts texts;
  SaveState state(options);
  CaptureCycle cycle(options, texts, state, platform);
  cycle.addSource(ownPictures.pictures());
  CaptureReports reports(cycle, dialogs, texts);
  app.setExceptionHandler([&reports](std::exception_ptr error) { reports.reportError(error); });
  CaptureStatus captureStatus(cycle, options, texts, state, platform);
  SettingsFiles settings(options, texts, state, platform.dirs, &cycle, &reports);
  QualityBar qualityBar(options, texts);
  const OverwriteWarning overwriteWarning(options, dialogs, texts);
  Session session{options, texts,         platform, state,     cycle,
                  reports, captureStatus, settings, qualityBar};
  // What the program offers on its clipboard reaches other programs, except on
  // Xwayland's under a Wayland compositor that has no data control (GNOME).
  const bool clipboardServesOthers = clipboardChoice.native() || !isWaylandSession();
  DesktopTriggers triggers(session, ownPictures, nativeGrabber.get(),
                           clipboardServesOthers ? &clipboard : nullptr);
  HistoryKeeper history(session);

  // Before the start-up applies the language file, so that Qt's dialogs follow it.
  const QtTranslations qtTranslations(texts);
  Choosers choosers;
  MainWindow window(session, tray, choosers);
  dialogs.setParent(&window);
  QObject::connect(&instance, &SingleInstance::showRequested, &window, &MainWindow::showWindow);
  window.connectHistory(history);
  window.optionPages().connectAutomation(triggers.automation());
  window.optionPages().connectHotkeys(triggers.hotkeys());
  nativeGrabber.setParentWindow(portalParent(window));
  // The command's picture goes the way of the program's own Print Screen.
  CaptureRequests captureRequests(
      cycle, texts, chooseScreenPictures(triggers.screenGrabber(), nativeGrabber.get(), options),
      [&](TakenPicture taken, const CaptureSource& source) {
        if (NativePrintScreen* printScreen = triggers.printScreen()) {
          printScreen->handOn(std::move(taken), source);
        }
      },
      clock);
  instance.setCaptureHandler(
      [&](CaptureTarget target, SingleInstance::Answer answer) {
        captureRequests.answer(target, std::move(answer));
      },
      captureRequests.longestAnswer());
  std::unique_ptr<GlobalShortcuts> desktopShortcuts;
  if (isWaylandSession()) {
    desktopShortcuts =
        offerDesktopShortcuts(triggers.hotkeys(), options, texts, window.optionPages());
  }
  // A signal is nobody's click: the close reports on stderr instead of waiting on a
  // box. A second signal during a close (one the user began included) ends the
  // event loop, and a box open with it, rather than keeping the program alive; the
  // close is finished after it, the captures under way still written.
  const QuitOnSignals quitOnSignals([&dialogs, &window] {
    dialogs.reportOnStandardError();
    if (window.closing()) {
      QApplication::exit(0);
    } else {
      window.closeProgram();
    }
  });
  if (nativeGrabber.copiesNoOutputs() && desktopAsksOnlyWhenFocused()) {
    // The sentence in a box beside the desktop's question, which goes with it: the
    // status bar would cut it.
    new ScreenPermission(
        window,
        [&window, &texts, box = QPointer<QMessageBox>()](bool asking) mutable {
          if (!asking) {
            if (box) box->close();
            return;
          }
          box = new QMessageBox(QMessageBox::Information, QStringLiteral("Snaprill"),
                                QString::fromStdString(texts.get("Main", "ScreenPermission")),
                                QMessageBox::Ok, &window);
          box->setAttribute(Qt::WA_DeleteOnClose);
          box->setModal(false);
          box->show();
        },
        [&window] { return portalParent(window); });
  }
  window.startUp(hideSwitch);
  window.offerToIndex(history.start());
  triggers.hotkeys().clearLatches();
  std::string note;
  if (isWaylandSession())
    note = texts.get("Main", clipboardChoice.native() ? "WaylandNative" : "WaylandNote");
  // Off X11 (the user's choice, or a Wayland session without Xwayland) what needs
  // X11 is missing: said once, on stderr too, for a start from a terminal or script.
  const std::string platformName = QGuiApplication::platformName().toStdString();
  if (!isX11Platform(platformName)) {
    const std::string limits =
        replaceIgnoringCase(texts.get("Main", "NotOnX11"), "%s", platformName);
    std::fprintf(stderr, "snaprill: %s\n", limits.c_str());
    // First, where the line is cut: the note of Xwayland's clipboard would be wrong,
    // as that is out of reach too.
    note = clipboardChoice.native() ? limits + " " + note : limits;
  }
  if (!note.empty()) window.statusBar()->showMessage(QString::fromStdString(note), 30000);
  const int status = QApplication::exec();
  window.finishClose();
  instance.setCaptureHandler(nullptr, {});
  app.setExceptionHandler(nullptr);  // the reporter goes before the application
  return status;
}
