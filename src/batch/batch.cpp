#include "batch/batch.h"

#include <exception>
#include <optional>

#include "backends/headless/headless_platform.h"
#include "base/errors.h"
#include "batch/text_on_demand.h"
#include "capture/capture_cycle.h"
#include "formats/ini/ini_file.h"
#include "formats/loader/picture_loader.h"
#include "gallery/gallery_page.h"
#include "io/atomic_file.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"

namespace snaprill {

namespace {

constexpr const char* kUsage =
    "usage: snaprill-batch [--settings FILE] [--output-dir DIR] [--save-settings FILE] "
    "[--no-launch] [--null | -0] [--] PICTURE...\n"
    "       snaprill-batch --gallery OUT.html [--settings FILE] [--] IMAGE...";

struct CommandLine {
  std::optional<std::string> settings;
  std::optional<std::string> outputDir;
  std::optional<std::string> saveSettings;
  std::optional<std::string> gallery;
  std::vector<std::string> pictures;
  bool noLaunch = false;
  // Written paths end in NUL instead of a newline (names may hold newlines).
  bool nullSeparated = false;
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
    if (a == "--no-launch") {
      o.noLaunch = true;
      continue;
    }
    if (a == "--null" || a == "-0") {
      o.nullSeparated = true;
      continue;
    }
    std::optional<std::string>* target = a == "--settings"        ? &o.settings
                                         : a == "--output-dir"    ? &o.outputDir
                                         : a == "--save-settings" ? &o.saveSettings
                                         : a == "--gallery"       ? &o.gallery
                                                                  : nullptr;
    if (!target || i + 1 >= args.size()) return std::nullopt;
    *target = args[++i];
  }
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

}  // namespace

int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<CommandLine> commandLine = parse(args);
  if (!commandLine) {
    err << kUsage << '\n';
    return 2;
  }
  if (commandLine->settings) {
    if (const auto why = unreadableSettings(*commandLine->settings)) {
      err << "snaprill-batch: --settings: " << *why << '\n';
      return 2;
    }
  }
  headless::HeadlessServices services(err);
  Platform platform = services.makePlatform(locateProgramDirectories(), !commandLine->noLaunch);
  // An autostart entry written from here starts the program, which lives beside us.
  platform.dirs.executablePath = platform.dirs.executableDir + "snaprill";
  // Capture text through Qt's fonts, loaded and started offscreen on first use: the
  // batch program never needs a display, and most runs draw no text.
  TextOnDemand textRenderer(textModuleDirs(platform.dirs.executableDir), err);
  platform.text = &textRenderer;
  Options options;
  Texts texts;
  CaptureCycle cycle(options, texts, platform);
  connectSettings(cycle);
  loadStartupSettings(cycle, commandLine->settings.value_or(cycle.mainSettingsFile()));
  if (commandLine->gallery) return writeGallery(*commandLine, options, texts, out, err);
  if (commandLine->outputDir)
    options.setText(Option::outputDir, withTrailingSlash(*commandLine->outputDir));
  cycle.finishStartup();
  headless::HandOverClipboard& clipboard = services.clipboard;
  const headless::ConsoleDialogs& dialogs = services.dialogs;

  int status = 0;
  const char separator = commandLine->nullSeparated ? '\0' : '\n';
  const auto reportNewFile = [&](int errorsBefore) {
    if (dialogs.errorsShown() > errorsBefore) status = 1;
    if (!cycle.lastSavedPath.empty()) out << cycle.lastSavedPath << separator;
  };
  for (const std::string& picture : commandLine->pictures) {
    Bitmap bitmap;
    try {
      bitmap = loadPictureFile(picture);  // made 32-bit when the capture takes it
    } catch (const std::exception& e) {
      err << "snaprill-batch: cannot read picture \"" << picture << "\": " << e.what() << '\n';
      status = 1;
      continue;
    }
    clipboard.handOver(std::move(bitmap));
    const int errorsBefore = dialogs.errorsShown();
    const int droppedBefore = cycle.droppedCaptures;
    const int failedBefore = cycle.failedCaptures;
    cycle.lastSavedPath.clear();
    // The capture timer stops when the last number is used, as in the program.
    if (cycle.captureTimer().enabled()) cycle.onCaptureTick();
    if (clipboard.hasBitmap() || cycle.droppedCaptures > droppedBefore) {
      err << "snaprill-batch: capture of \"" << picture << "\" dropped: no number is left\n";
      clipboard.clear();
    }
    // Most write errors show no message at all; the picture must still count as lost,
    // and a script needs to know why (the format's size limit, the disk).
    if (cycle.failedCaptures > failedBefore) {
      err << "snaprill-batch: capture of \"" << picture
          << "\" could not be written: " << cycle.lastFailure << '\n';
      status = 1;
    }
    reportNewFile(errorsBefore);
  }
  if (cycle.animation().pendingFrameIndex() >= 0) {
    const int errorsBefore = dialogs.errorsShown();
    cycle.lastSavedPath.clear();
    try {
      cycle.lastSavedPath = cycle.animation().flushPending().path;
    } catch (...) {
      cycle.handleException(std::current_exception());
      err << "snaprill-batch: the pending animation could not be written: "
          << messageOf(std::current_exception()) << '\n';
      status = 1;
    }
    reportNewFile(errorsBefore);
  }
  if (textRenderer.failed()) status = 1;
  if (commandLine->saveSettings) {
    try {
      saveSettings(cycle, *commandLine->saveSettings);
    } catch (const std::exception& e) {
      err << "snaprill-batch: " << e.what() << '\n';
      status = 1;
    }
  }
  return status;
}

}  // namespace snaprill
