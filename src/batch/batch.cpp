#include "batch/batch.h"

#include <exception>
#include <optional>

#include "capture/engine.h"
#include "formats/picture_loader.h"
#include "platform/fake/fakes.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"
#ifdef SNAPRILL_QT_TEXT
#include "platform/qt/qt_text_renderer.h"
#endif

namespace snaprill {

namespace {

constexpr const char* kUsage =
    "usage: snaprill-batch [--settings FILE] [--output-dir DIR] [--save-settings FILE] [--] "
    "PICTURE...";

struct CommandLine {
  std::optional<std::string> settings;
  std::optional<std::string> outputDir;
  std::optional<std::string> saveSettings;
  std::vector<std::string> pictures;
};

// Parses the command line; nothing when it is wrong.
std::optional<CommandLine> parse(const std::vector<std::string>& args) {
  CommandLine o;
  bool onlyPictures = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyPictures || a.empty() || a[0] != '-' || a == "-") {
      o.pictures.push_back(a);
      continue;
    }
    if (a == "--") {
      onlyPictures = true;
      continue;
    }
    std::optional<std::string>* target = a == "--settings"        ? &o.settings
                                         : a == "--output-dir"    ? &o.outputDir
                                         : a == "--save-settings" ? &o.saveSettings
                                                                  : nullptr;
    if (!target || i + 1 >= args.size()) return std::nullopt;
    *target = args[++i];
  }
  // Without pictures the only work is rewriting a settings file.
  if (o.pictures.empty() && !o.saveSettings) return std::nullopt;
  return o;
}

// Dialogs of a program without a display: errors and notices go to stderr,
// confirmations are declined, file dialogs cancelled.
class ConsoleDialogs : public fake::FakeDialogs {
 public:
  explicit ConsoleDialogs(std::ostream& err) : err_(err) { confirmAnswer = false; }
  void errorBox(const std::string& text) override {
    FakeDialogs::errorBox(text);
    err_ << text << '\n';
  }
  void messageBox(const std::string& text) override {
    FakeDialogs::messageBox(text);
    err_ << text << '\n';
  }

 private:
  std::ostream& err_;
};

}  // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<CommandLine> commandLine = parse(args);
  if (!commandLine) {
    err << kUsage << '\n';
    return 2;
  }
  // Fake services, but for the dialogs, which print, and the clock, which is real.
  fake::FakeServices services;
  ConsoleDialogs dialogs(err);
  SystemClock clock;
  Platform platform = services.makePlatform(locateProgramDirectories(), dialogs, clock);
  // An autostart entry written from here starts the program, which lives beside us.
  platform.dirs.executablePath = platform.dirs.executableDir + "snaprill";
#ifdef SNAPRILL_QT_TEXT
  // Capture text through Qt's fonts, started offscreen on first use: the batch
  // program never needs a display.
  const std::unique_ptr<TextRenderer> textRenderer = makeOffscreenTextRenderer();
  platform.text = textRenderer.get();
#endif
  Options options;
  Texts texts;
  CaptureEngine engine(options, texts, platform);
  connectSettings(engine);
  LoadStartupSettings(engine, commandLine->settings.value_or(engine.mainSettingsFile()));
  if (commandLine->outputDir)
    options.setText(Option::outputDir, withTrailingSlash(*commandLine->outputDir));
  engine.finishStartup();

  int status = 0;
  const auto reportNewFile = [&](std::size_t errorsBefore) {
    if (dialogs.errors.size() > errorsBefore) status = 1;
    if (!engine.LastSavedName.empty()) out << engine.LastSavedName << '\n';
  };
  for (const std::string& picture : commandLine->pictures) {
    Bitmap bitmap;
    try {
      bitmap = loadPictureFile(picture).convertedTo(32);
    } catch (const std::exception& e) {
      err << "snaprill-batch: cannot read picture \"" << picture << "\": " << e.what() << '\n';
      status = 1;
      continue;
    }
    services.clipboard.offerBitmap(std::move(bitmap));
    const std::size_t errorsBefore = dialogs.errors.size();
    const int droppedBefore = engine.droppedCaptures;
    const int failedBefore = engine.failedCaptures;
    engine.LastSavedName.clear();
    static_cast<fake::FakeTimer&>(engine.captureTimer()).tick();
    if (services.clipboard.hasBitmap() || engine.droppedCaptures > droppedBefore) {
      err << "snaprill-batch: capture of \"" << picture << "\" dropped: no number is left\n";
      services.clipboard.clear();
    }
    // Most write errors show no message at all; the picture must still count as lost.
    if (engine.failedCaptures > failedBefore) {
      err << "snaprill-batch: capture of \"" << picture << "\" could not be written\n";
      status = 1;
    }
    reportNewFile(errorsBefore);
  }
  if (engine.PendingFrameIndex >= 0) {
    const std::size_t errorsBefore = dialogs.errors.size();
    engine.LastSavedName.clear();
    try {
      engine.FlushPendingAnimation();
    } catch (...) {
      engine.handleException(std::current_exception());
      err << "snaprill-batch: the pending animation could not be written\n";
      status = 1;
    }
    reportNewFile(errorsBefore);
  }
  if (commandLine->saveSettings) {
    try {
      SaveSettings(engine, *commandLine->saveSettings);
    } catch (const std::exception& e) {
      err << "snaprill-batch: " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}

}  // namespace snaprill
