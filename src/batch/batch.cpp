#include "batch/batch.h"

#include <unistd.h>

#include <chrono>
#include <exception>
#include <optional>

#include "backends/headless/headless_platform.h"
#include "base/errors.h"
#include "batch/index_folders.h"
#include "batch/text_on_demand.h"
#include "capture/capture_reporter.h"
#include "capture/save_capture.h"
#include "formats/ini/ini_file.h"
#include "formats/loader/picture_loader.h"
#include "gallery/gallery_page.h"
#include "history/direct_recorder.h"
#include "io/atomic_file.h"
#include "io/file_error.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"

namespace snaprill {

namespace {

constexpr const char* kUsage =
    "usage: snaprill-batch [--settings FILE] [--output-dir DIR] [--save-settings FILE] "
    "[--no-launch] [--null | -0] [--] PICTURE...\n"
    "       snaprill-batch --gallery OUT.html [--settings FILE] [--] IMAGE...\n"
    "       snaprill-batch --index [--settings FILE] [--] FOLDER...";

struct CommandLine {
  std::optional<std::string> settings;
  std::optional<std::string> outputDir;
  std::optional<std::string> saveSettings;
  std::optional<std::string> gallery;
  std::vector<std::string> pictures;
  bool noLaunch = false;
  // The pictures are folders whose pictures go into the capture history.
  bool index = false;
  // Written paths end in NUL instead of a newline (names may hold newlines).
  bool nullSeparated = false;
};

// Parses the command line; nothing when it is wrong, with the option at fault in
// problem where one is.
std::optional<CommandLine> parse(const std::vector<std::string>& args, std::string& problem) {
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
    if (a == "--no-launch") {
      o.noLaunch = true;
      continue;
    }
    if (a == "--null" || a == "-0") {
      o.nullSeparated = true;
      continue;
    }
    if (a == "--index") {
      o.index = true;
      continue;
    }
    std::optional<std::string>* target = a == "--settings"        ? &o.settings
                                         : a == "--output-dir"    ? &o.outputDir
                                         : a == "--save-settings" ? &o.saveSettings
                                         : a == "--gallery"       ? &o.gallery
                                                                  : nullptr;
    if (!target) {
      problem = "unknown option \"" + a + "\"";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      problem = "option \"" + a + "\" needs a value";
      return std::nullopt;
    }
    *target = args[++i];
  }
  // Indexing reads folders, and captures nothing.
  if (o.index && (o.pictures.empty() || o.gallery || o.outputDir || o.saveSettings))
    return std::nullopt;
  // A gallery only names its pictures, and captures nothing.
  if (o.gallery && (o.pictures.empty() || o.outputDir || o.saveSettings)) return std::nullopt;
  // Without pictures the only work is rewriting a settings file.
  if (o.pictures.empty() && !o.saveSettings) return std::nullopt;
  return o;
}

// A settings file named on the command line must be there to be read: the program
// itself starts from defaults without its file, but here a typo would silently
// change the output type. Nothing when it can be read, else why not.
std::optional<std::string> unreadableSettings(const std::string& path) {
  try {
    readWholeFile(path, kMaxIniFileBytes);
  } catch (const FileError& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

// The gallery page of the pictures, with the gallery settings of the settings file.
int writeGallery(const CommandLine& commandLine, const Options& options, const Texts& texts,
                 std::ostream& out, std::ostream& err) {
  const std::string page = galleryFileName(*commandLine.gallery);
  try {
    writeGalleryPage(page, buildGalleryPage(commandLine.pictures, gallerySettingsFrom(options),
                                            texts.get("Gallery", "Gallery"), galleryCreditLine()));
  } catch (const std::exception& e) {
    err << "snaprill-batch: " << e.what() << '\n';
    return 1;
  }
  out << page << '\n';
  return 0;
}

// The console's reporter: tells of one picture's capture, its file on `out`, and
// on `err` why there is none or what went wrong beside it, in the words of the
// program's boxes and notices.
class ConsoleReports : public CaptureReporter {
 public:
  ConsoleReports(const Texts& texts, std::ostream& out, std::ostream& err, char separator)
      : texts_(texts), out_(out), err_(err), separator_(separator) {}

  // Before each capture: the picture file it comes from.
  void begin(const std::string& picture) {
    picture_ = picture;
    failed_ = false;
  }
  // Whether the capture begun last went wrong.
  bool failed() const { return failed_; }

  void report(const SaveOutcome& outcome, const CaptureSource&) override {
    if (outcome.lost == LostReason::NoNumberLeft) {
      // A picture not saved is a failure, whatever the reason.
      dropped(picture_);
      failed_ = true;
    } else if (outcome.aviNotWritten) {
      err_ << outcome.aviFailure << '\n';
      failed_ = true;
    } else if (outcome.lost) {
      // The program's disk-full message only where it is the reason: the line below
      // gives the system's own (a folder that may not be written, not a folder).
      if (outcome.lost == LostReason::NotCreated && outcome.failedBecause.empty()) {
        err_ << diskFullMessage(texts_, outcome.failedFile) << '\n';
      }
      // A script needs to know why: the format's size limit, the disk.
      err_ << "snaprill-batch: capture of \"" << picture_
           << "\" could not be written: " << outcome.failure << '\n';
      failed_ = true;
    }
    if (outcome.refusedWidth != 0) {
      const std::string message = refusedSizeMessage(texts_, outcome);
      // Once for each size asked for, as the program's box.
      if (message != refusedShown_) err_ << message << '\n';
      refusedShown_ = message;
      failed_ = true;
    }
    if (!outcome.absentOutputFolder.empty()) {
      err_ << "snaprill-batch: " << absentFolderMessage(texts_, outcome) << '\n';
    }
    if (!outcome.programNotStarted.empty()) {
      // The picture is saved: a notice, not a failure.
      err_ << "snaprill-batch: " << programNotStartedMessage(texts_, outcome) << '\n';
    }
    written(outcome.path);
  }

  void reportError(std::exception_ptr error) override {
    err_ << "snaprill-batch: " << messageOf(error) << '\n';
    failed_ = true;
  }

  void dropped(const std::string& picture) {
    err_ << "snaprill-batch: capture of \"" << picture << "\" dropped: no number is left\n";
  }

  void written(const std::string& path) {
    if (!path.empty()) out_ << path << separator_;
  }

 private:
  const Texts& texts_;
  std::ostream& out_;
  std::ostream& err_;
  char separator_;
  std::string picture_;
  bool failed_ = false;
  std::string refusedShown_;
};

}  // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string problem;
  const std::optional<CommandLine> commandLine = parse(args, problem);
  if (!commandLine) {
    // As the window program does: the option at fault first, then the usage.
    if (!problem.empty()) err << "snaprill-batch: " << problem << '\n';
    err << kUsage << '\n';
    return 2;
  }
  if (commandLine->settings) {
    if (const auto why = unreadableSettings(*commandLine->settings)) {
      err << "snaprill-batch: --settings: " << *why << '\n';
      return 2;
    }
  }
  ProgramDirectories dirs;
  try {
    dirs = locateProgramDirectories();
  } catch (const NoFitFolder& e) {
    err << "snaprill-batch: " << e.what() << '\n';
    return 1;
  }
  headless::HeadlessServices services(err);
  Platform platform = services.makePlatform(dirs, !commandLine->noLaunch);
  // An autostart entry written from here starts the program, which lives beside us.
  platform.dirs.executablePath = platform.dirs.executableDir + "snaprill";
  // Capture text through Qt's fonts, loaded and started offscreen on first use: the
  // batch program never needs a display, and most runs draw no text.
  TextOnDemand textRenderer(textModuleDirs(platform.dirs.executableDir), err);
  platform.text = &textRenderer;
  Options options;
  Texts texts;
  SaveState state(options);
  // No capture cycle runs here: "Pause Snaprill after starting" is the tray
  // program's, and every picture given is saved.
  SettingsFiles settings(options, texts, state, platform.dirs);
  settings.loadStartup(commandLine->settings.value_or(settings.mainFile()));
  if (commandLine->gallery) return writeGallery(*commandLine, options, texts, out, err);
  if (commandLine->index) {
    return indexFolders(commandLine->pictures, platform.dirs, options, texts, err,
                        ::isatty(STDERR_FILENO) == 1);
  }
  if (commandLine->outputDir) {
    // Named on purpose: made when it is missing.
    options.setText(Option::outputDir, withTrailingSlash(*commandLine->outputDir));
    state.names.makeOutputFolderWhenMissing();
  }
  removeLeftoverWrites(options.text(Option::outputDir), platform.dirs.configDir);

  // Every picture saved goes into the capture history, as the tray program's do.
  DirectRecorder history(platform.dirs, options);
  const auto recorded = [&history, &services](const std::string& path) {
    history.record(path, CaptureSource{CaptureOrigin::Batch, services.clock.instant(), {}});
    return path;
  };
  int status = 0;
  ConsoleReports report(texts, out, err, commandLine->nullSeparated ? '\0' : '\n');
  // Once the last number is used, as in the program, no picture is taken any more:
  // not even as a frame of an animation that could never be written.
  bool numbersUsedUp = false;
  for (const std::string& picture : commandLine->pictures) {
    if (numbersUsedUp) {
      report.dropped(picture);
      status = 1;
      continue;
    }
    Bitmap bitmap;
    try {
      bitmap = loadCapturePictureFile(picture);
    } catch (const std::exception& e) {
      err << "snaprill-batch: cannot read picture \"" << picture << "\": " << e.what() << '\n';
      status = 1;
      continue;
    }
    Capture capture{std::move(bitmap)};
    capture.source = CaptureSource{CaptureOrigin::Batch, services.clock.instant(), {}};
    const CaptureSource source = capture.source;
    report.begin(picture);
    const SaveOutcome outcome = saveCapture(std::move(capture), options, texts, state, platform);
    history.record(outcome.path, source);
    report.report(outcome, source);
    if (report.failed()) status = 1;
    numbersUsedUp = state.names.counter() == kMaxImageNumber;
  }
  if (state.animation.pendingFrameIndex() >= 0) {
    try {
      const WriteOutcome flushed = state.animation.flushPending(options, state.names, texts);
      if (flushed.aviNotWritten) {
        err << flushed.aviFailure << '\n';
        status = 1;
      }
      report.written(recorded(flushed.path));
    } catch (const FileError& e) {
      if (e.kind() == FileErrorKind::NotCreated && e.reasonBeyondDiskFull().empty()) {
        err << diskFullMessage(texts, e.path()) << '\n';
      }
      err << "snaprill-batch: the pending animation could not be written: " << e.what() << '\n';
      status = 1;
    } catch (const std::exception& e) {
      err << "snaprill-batch: the pending animation could not be written: " << e.what() << '\n';
      status = 1;
    }
  }
  if (textRenderer.failed()) status = 1;
  if (commandLine->saveSettings) {
    try {
      settings.save(*commandLine->saveSettings);
    } catch (const std::exception& e) {
      err << "snaprill-batch: " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}

}  // namespace snaprill
