#include "app/capture_command.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

#ifdef SNAPRILL_HAVE_WAYLAND
#include "backends/wayland/wayland_screen_grabber.h"
#endif
#include "app/focused_window.h"
#include "backends/headless/headless_platform.h"
#include "capture/save_capture.h"
#include "history/direct_recorder.h"
#include "settings/settings_file.h"
#include "triggers/native_print_screen.h"
#include "ui/desktop_triggers.h"

namespace snaprill {

namespace {

constexpr const char* kOption = "--capture";

std::optional<CaptureTarget> targetNamed(const std::string& name) {
  if (name == "screen") return CaptureTarget::Screen;
  if (name == "window") return CaptureTarget::Window;
  return std::nullopt;
}

// The picture, or empty when the screen could not be read (a screen too large for a
// bitmap included).
Bitmap pictureOrNone(const ScreenPictures& pictures, CaptureTarget target) {
  try {
    return pictures.take(target);
  } catch (const std::exception&) {
    return Bitmap();
  }
}

constexpr const char* kUnreadableScreen = "the screen could not be read";

}  // namespace

DesktopPictureServices::DesktopPictureServices(Platform& platform, bool native) {
  platform.screen = &screen;
  platform.cursor = native ? nullptr : &cursor;
  platform.text = &text;
}

std::optional<CaptureTarget> takeCaptureOption(int& argc, char* argv[], std::string& problem) {
  const std::size_t length = std::strlen(kOption);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kOption, length) != 0) continue;
    const char* rest = argv[i] + length;
    int used = 1;
    std::string value;
    if (*rest == '=') {
      value = rest + 1;
    } else if (*rest == '\0' && i + 1 < argc) {
      value = argv[i + 1];
      used = 2;
    } else if (*rest != '\0') {
      continue;  // another option that starts the same way
    }
    const std::optional<CaptureTarget> target = targetNamed(value);
    if (!target) {
      problem = "--capture takes \"screen\" or \"window\", not \"" + value + "\"";
      return std::nullopt;
    }
    for (int j = i; j + used <= argc; ++j) argv[j] = argv[j + used];
    argc -= used;
    return target;
  }
  return std::nullopt;
}

ScreenPictures chooseScreenPictures(X11ScreenGrabber& x11, ScreenGrabber* native,
                                    const Options& options) {
  if (native != nullptr) {
    return {[native, &options](CaptureTarget target) {
              return nativePicture(*native, options, target == CaptureTarget::Window);
            },
            {}};
  }
  // Rootless Xwayland shows an X11 client nothing of the screen: a grab fails
  // (BadMatch) or comes back black, which must not become a file.
  if (isWaylandSession()) {
    return {nullptr,
            "this Wayland desktop offers no way to take screen pictures (neither "
            "ext-image-copy-capture, wlroots' screencopy, KWin's screenshot service nor "
            "the desktop portal)"};
  }
  if (!x11.active()) return {nullptr, "cannot open the X display"};
  return {[&x11](CaptureTarget target) {
            return target == CaptureTarget::Window ? x11.grabActiveWindow() : x11.grabScreen();
          },
          {}};
}

std::optional<std::string> offerRequestedCapture(CaptureTarget target, const CaptureCycle& cycle,
                                                 const ScreenPictures& pictures,
                                                 const std::function<void(Bitmap)>& handOn) {
  // As with Print Screen: a picture taken while paused would wait on the clipboard
  // and be dropped at the resume; the command says so instead.
  if (cycle.paused()) return "Snaprill is paused";
  if (!cycle.takingPictures()) return "no file number is left (99999 reached)";
  if (!pictures.take) return pictures.refusal;
  Bitmap picture = pictureOrNone(pictures, target);
  if (picture.empty()) return kUnreadableScreen;
  handOn(std::move(picture));
  return std::nullopt;
}

int captureOnce(CaptureTarget target, const ProgramDirectories& dirs) {
  Options options;
  X11ScreenGrabber grabber;
  std::unique_ptr<ScreenGrabber> native;
#ifdef SNAPRILL_HAVE_WAYLAND
  native = nativeScreenGrabber();
#endif
  const ScreenPictures pictures = chooseScreenPictures(grabber, native.get(), options);
  if (!pictures.take) {
    std::cerr << "snaprill: " << pictures.refusal << '\n';
    return 1;
  }
  headless::HeadlessServices services(std::cerr);
  Platform platform = services.makePlatform(dirs, true);
  const DesktopPictureServices desktop(platform, native != nullptr);
  Texts texts;
  SaveState state(options);
  // No capture cycle: "Pause Snaprill after starting" belongs to the tray program,
  // and a key bound to this command is pressed to take a picture.
  SettingsFiles settings(options, texts, state, platform.dirs);
  settings.loadStartup(settings.mainFile());
  Bitmap picture = pictureOrNone(pictures, target);
  if (picture.empty()) {
    std::cerr << "snaprill: " << kUnreadableScreen << '\n';
    return 1;
  }
  Capture capture{std::move(picture)};
  capture.source =
      CaptureSource{CaptureOrigin::Command, services.clock.instant(), focusedWindowNow()};
  const CaptureSource source = capture.source;
  const SaveOutcome outcome = saveCapture(std::move(capture), options, texts, state, platform);
  DirectRecorder(platform.dirs, options).record(outcome.path, source);
  int status = 0;
  if (!outcome.kept()) {
    const std::string why = !outcome.failure.empty() ? outcome.failure
                            : outcome.lost ? texts.get("Main", lostReasonKey(*outcome.lost))
                                           : "the AVI file could not be written";
    std::cerr << "snaprill: the capture was not saved: " << why << '\n';
    status = 1;
  }
  try {
    // A frame gathered for an animation would wait for captures that never come.
    if (state.animation.pendingFrameIndex() >= 0 &&
        state.animation.flushPending(options, state.names, texts, platform).aviNotWritten) {
      status = 1;
    }
    // The counter, so that the next capture, by command or by the program, goes on
    // from here.
    settings.close();
  } catch (const std::exception& e) {
    std::cerr << "snaprill: " << e.what() << '\n';
    status = 1;
  }
  return status;
}

}  // namespace snaprill
