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
#include <memory>
#include <optional>

#include "app/capture_command.h"
#include "app/capture_requests.h"
#include "app/desktop_shortcuts.h"
#include "app/screen_permission.h"
#include "backends/qt/qt_clipboard.h"
#include "backends/qt/qt_dialogs.h"
#include "backends/qt/qt_services.h"
#include "backends/qt/qt_timer.h"
#include "backends/qt/qt_tray.h"
#ifdef SNAPRILL_HAVE_WAYLAND
#include "backends/wayland/wayland_clipboard.h"
#include "backends/wayland/wayland_screen_grabber.h"
#endif
#include "base/product.h"
#include "capture/capture_cycle.h"
#include "options/options.h"
#include "options/overwrite_warning.h"
#include "options/quality_bar.h"
#include "options/texts.h"
#include "platform/direct_pictures.h"
#include "platform/process_launcher.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"
#include "triggers/native_print_screen.h"
#include "ui/accessible_widgets.h"
#include "ui/application.h"
#include "ui/choosers.h"
#include "ui/desktop_triggers.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/option_pages.h"
#include "ui/qt_translations.h"
#include "ui/quit_signals.h"
#include "ui/single_instance.h"

// Last: its macros (None, Bool, Status) clash with names in the Qt headers.
#include <X11/Xlib.h>

namespace {

// Whether Qt is told to use a platform other than X11 (the tests' offscreen one).
bool otherPlatformChosen(int argc, char* argv[]) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0) return std::strncmp(argv[i + 1], "xcb", 3) != 0;
  }
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform != nullptr && *platform != '\0' && std::strncmp(platform, "xcb", 3) != 0;
}

// Qt's painting crashes on an 8-bit screen, before any window shows; 15, 16, 24 and
// 30 bits work. X servers offer nothing between 8 and 15.
constexpr int kLeastDepth = 15;

// Qt ends the program with an abort when it cannot reach the X server, and crashes on
// a screen it cannot paint on; a user deserves a sentence instead, and a script a
// plain failure status.
bool xDisplayUsable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    std::fprintf(stderr,
                 "snaprill: cannot open the X display (DISPLAY is not set); snaprill-batch "
                 "works without one\n");
    return false;
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    std::fprintf(stderr,
                 "snaprill: cannot open the X display \"%s\"; snaprill-batch works without "
                 "one\n",
                 name);
    return false;
  }
  const int depth = DefaultDepth(display, DefaultScreen(display));
  XCloseDisplay(display);
  if (depth < kLeastDepth) {
    std::fprintf(stderr,
                 "snaprill: the X display \"%s\" shows %d-bit colour; snaprill needs at least "
                 "%d-bit colour (snaprill-batch works without a display)\n",
                 name, depth, kLeastDepth);
    return false;
  }
  return true;
}

constexpr const char* kUsage =
    "Usage: snaprill [-hide] [Qt option]...\n"
    "  or:  snaprill --capture=screen|window";

constexpr const char* kHelp =
    "Usage: snaprill [-hide] [Qt option]...\n"
    "  or:  snaprill --capture=screen|window\n"
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
  ClipboardChoice() {
#ifdef SNAPRILL_HAVE_WAYLAND
    if (auto client = snaprill::DataControlClient::connect())
      wayland_ = std::make_unique<snaprill::WaylandClipboard>(std::move(client));
#endif
    if (!wayland_) x11_.emplace();
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

// Pictures the program takes itself, where the system's Print Screen puts none on
// the clipboard (a Wayland session): they go straight to the capture cycle, and
// the Print Screen presses of the hotkeys and the automation take them.
class NativeCapture {
 public:
  // `servesOthers`: what the program offers on `clipboard` reaches other programs
  // (the compositor's own clipboard, not Xwayland's under GNOME).
  NativeCapture(snaprill::Clipboard& clipboard, bool servesOthers) {
#ifdef SNAPRILL_HAVE_WAYLAND
    wayland_ = snaprill::nativeScreenGrabber();
    screen_ = wayland_.get();
#endif
    if (screen_) pictures_.emplace(clipboard, snaprill::newQtTimer(), servesOthers);
  }
  bool active() const {
    return screen_ != nullptr;
  }
  snaprill::ScreenGrabber* grabber() {
    return screen_;
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
  // The clipboard as the capture cycle sees it.
  snaprill::Clipboard& clipboard(snaprill::Clipboard& system) {
    system_ = &system;
    if (pictures_) return *pictures_;
    return system;
  }
  // A picture taken on request: the way of the program's own Print Screen where it
  // takes its own pictures, else onto the clipboard, as Print Screen's.
  void handOn(snaprill::Bitmap picture) {
    // printScreen() has made the native Print Screen wherever pictures are ours.
    if (printScreen_) {
      printScreen_->handOn(snaprill::TakenPicture{std::move(picture)});
    } else {
      system_->offer(std::move(picture));
    }
  }
  // A picture the desktop would not give: a lost capture, with its reason.
  void lose(snaprill::LostOffer why) {
    if (pictures_) pictures_->lose(why);
  }
  // What the hotkeys and the automation send their key presses to; nothing where
  // they go to the system as keys.
  snaprill::KeyInjector* printScreen(const snaprill::Options& options) {
    if (!screen_) return nullptr;
    printScreen_.emplace(options, *screen_, *pictures_);
    return &*printScreen_;
  }

 private:
#ifdef SNAPRILL_HAVE_WAYLAND
  std::unique_ptr<snaprill::WaylandScreenGrabber> wayland_;
#endif
  snaprill::ScreenGrabber* screen_ = nullptr;
  std::optional<snaprill::DirectPictures> pictures_;
  std::optional<snaprill::NativePrintScreen> printScreen_;
  snaprill::Clipboard* system_ = nullptr;
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
  if (const std::optional<int> status = answerInformationOptions(argc, argv)) return *status;
  std::string captureProblem;
  const std::optional<CaptureTarget> capture = takeCaptureOption(argc, argv, captureProblem);
  if (!captureProblem.empty()) {
    std::fprintf(stderr, "snaprill: %s\n%s\n", captureProblem.c_str(), kUsage);
    return 2;
  }
  if (!otherPlatformChosen(argc, argv) && !xDisplayUsable()) return 1;
  SnaprillApplication app(argc, argv);
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

  ClipboardChoice clipboardChoice;
  NativeCapture nativeCapture(clipboardChoice.clipboard(), clipboardChoice.native());
  Clipboard& clipboard = nativeCapture.clipboard(clipboardChoice.clipboard());
  QtDialogs dialogs;
  QtTray tray(applicationIcon(), pausedIcon());
  SystemClock clock;
  ProcessLauncher launcher;
  QtEventPump events;
  Platform platform{clipboard, dialogs, tray, clock, launcher, events, newQtTimer, dirs};
  const DesktopPictureServices desktop(platform, nativeCapture.active());
  platform.screenGrabber = nativeCapture.grabber();
  Options options;
  Texts texts;
  SaveState state(options);
  CaptureCycle cycle(options, texts, state, platform);
  app.setExceptionHandler([&cycle](std::exception_ptr error) { cycle.reportError(error); });
  CaptureStatus captureStatus(cycle, options, texts, state, platform);
  SettingsFiles settings(options, texts, state, platform.dirs, &cycle);
  QualityBar qualityBar(options, texts);
  const OverwriteWarning overwriteWarning(options, dialogs, texts);
  Session session{options, texts, platform, state, cycle, captureStatus, settings, qualityBar};
  DesktopTriggers triggers(session, nativeCapture.printScreen(options));

  // Before the start-up applies the language file, so that Qt's dialogs follow it.
  const QtTranslations qtTranslations(texts);
  Choosers choosers;
  MainWindow window(session, tray, choosers);
  dialogs.setParent(&window);
  QObject::connect(&instance, &SingleInstance::showRequested, &window, &MainWindow::showWindow);
  window.optionPages().connectAutomation(triggers.automation());
  window.optionPages().connectHotkeys(triggers.hotkeys());
  nativeCapture.setParentWindow(portalParent(window));
  CaptureRequests captureRequests(
      cycle, texts,
      chooseScreenPictures(triggers.screenGrabber(), nativeCapture.grabber(), options),
      [&](Bitmap picture) { nativeCapture.handOn(std::move(picture)); },
      [&](LostOffer why) { nativeCapture.lose(why); });
  instance.setCaptureHandler(
      [&](CaptureTarget target, SingleInstance::Answer answer) {
        captureRequests.answer(target, std::move(answer));
      },
      captureRequests.longestAnswer());
  const Callbacks::Id segmentRelease =
      cycle.memoryReleased.add([&triggers] { triggers.screenGrabber().releaseSharedMemory(); });
  std::unique_ptr<GlobalShortcuts> desktopShortcuts;
  if (isWaylandSession()) {
    desktopShortcuts =
        offerDesktopShortcuts(triggers.hotkeys(), options, texts, window.optionPages());
  }
  // A signal is nobody's click: the close reports on stderr instead of waiting on a
  // box, and a box already open (a second signal during a close the user began
  // included) gives way rather than keeping the program alive.
  const QuitOnSignals quitOnSignals([&dialogs, &window] {
    dialogs.reportOnStandardError();
    window.closeProgram();
    QApplication::exit(0);
  });
  if (nativeCapture.copiesNoOutputs() && desktopAsksOnlyWhenFocused()) {
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
  triggers.hotkeys().clearLatches();
  if (isWaylandSession()) {
    const char* note = clipboardChoice.native() ? "WaylandNative" : "WaylandNote";
    window.statusBar()->showMessage(QString::fromStdString(texts.get("Main", note)), 20000);
  }
  const int status = QApplication::exec();
  cycle.memoryReleased.remove(segmentRelease);
  instance.setCaptureHandler(nullptr, {});
  app.setExceptionHandler(nullptr);  // the cycle goes before the application
  return status;
}
