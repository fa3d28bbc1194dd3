#include "app/capture_command.h"

#include <QCoreApplication>
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
  ScreenGrabber* grabber = native;
  if (grabber == nullptr) {
    // Rootless Xwayland shows an X11 client nothing of the screen: a grab fails
    // (BadMatch) or comes back black, which must not become a file.
    if (isWaylandSession()) {
      return {nullptr,
              "this Wayland desktop offers no way to take screen pictures (neither "
              "ext-image-copy-capture, wlroots' screencopy, KWin's screenshot service nor "
              "the desktop portal)",
              {}};
    }
    if (!x11.active()) return {nullptr, "cannot open the X display", {}};
    grabber = &x11;
  }
  return {[grabber, &options](CaptureTarget target, GrabDone done) {
            grabber->grab(nativeRequest(options, target == CaptureTarget::Window), std::move(done));
          },
          {},
          grabber->longestAnswer()};
}

std::string notTakenText(LostReason why, const Texts& texts) {
  return texts.get("Main", lostReasonKey(why));
}

std::string notSavedText(const SaveOutcome& outcome, const Texts& texts) {
  if (!outcome.failure.empty()) return outcome.failure;
  if (outcome.lost) return texts.get("Main", lostReasonKey(*outcome.lost));
  return "the AVI file could not be written";
}

namespace {

// The picture adjusted and saved as the program would, recorded in the capture
// history; the exit status.
int saveOnce(Capture capture, Options& options, const Texts& texts, SaveState& state,
             Platform& platform, SettingsFiles& settings) {
  const CaptureSource source = capture.source;
  const SaveOutcome outcome = saveCapture(std::move(capture), options, texts, state, platform);
  DirectRecorder(platform.dirs, options).record(outcome.path, source);
  int status = 0;
  if (!outcome.kept()) {
    std::cerr << "snaprill: the capture was not saved: " << notSavedText(outcome, texts) << '\n';
    status = 1;
  }
  try {
    // A frame gathered for an animation would wait for captures that never come.
    if (state.animation.pendingFrameIndex() >= 0 &&
        state.animation.flushPending(options, state.names, texts).aviNotWritten) {
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

}  // namespace

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
  // Where the picture comes from: the window the user was in when the key bound to
  // this command was pressed, before a question of the desktop may take the focus.
  const CaptureSource source{CaptureOrigin::Command, services.clock.instant(), focusedWindowNow()};
  std::optional<int> status;
  pictures.take(target, [&](TakenPicture taken) {
    if (taken.picture.empty()) {
      std::cerr << "snaprill: no picture taken: " << notTakenText(taken.lost, texts) << '\n';
      status = 1;
    } else {
      Capture capture{std::move(taken.picture)};
      capture.source = source;
      status = saveOnce(std::move(capture), options, texts, state, platform, settings);
    }
    QCoreApplication::exit(*status);
  });
  // A desktop that takes its time (a portal started by the bus, a question to the
  // user): the event loop runs meanwhile, and the answer ends it.
  if (!status) QCoreApplication::exec();
  return status.value_or(1);
}

}  // namespace snaprill
