#include "settings/settings_file.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/text.h"
#include "formats/ini/ini_file.h"
#include "io/atomic_file.h"
#include "options/desktop_language.h"
#include "options/language.h"
#include "options/page_height.h"
#include "options/setting_text.h"
#include "platform/autostart.h"
#include "platform/program_dir.h"
#include "settings/overlay_file.h"

namespace snaprill {

namespace {

// The two keys that are not options: the counter and the language file.
constexpr const char* kCounterSection = "Snaprill";
constexpr const char* kCounterKey = "LastPic";
constexpr const char* kLanguageSection = "Language";
constexpr const char* kLanguageKey = "LangFile";

// The text an option is written as.
std::string savedText(const Options& options, const OptionSpec& row) {
  switch (row.setting.type) {
    case ValueType::String:
      return options.text(row.id);
    case ValueType::FontStyle:
      return fontStyleLetters(options.value(row.id));
    case ValueType::PagesShown:
      return optionPagesShown(options) ? "1" : "0";
    default:
      return std::to_string(options.value(row.id));
  }
}

// Every key a save writes, in order, with its text. The counter follows the box
// that says whether it is remembered.
std::vector<IniEntry> savedEntries(const Options& options, const SaveState& state) {
  std::vector<IniEntry> entries;
  for (const OptionSpec& row : allOptionSpecs()) {
    const Setting& s = row.setting;
    if (s.section == nullptr) continue;
    entries.push_back(IniEntry{s.section, s.key, savedText(options, row)});
    if (row.id == Option::rememberLastNumber) {
      entries.push_back(
          IniEntry{kCounterSection, kCounterKey, std::to_string(state.names.counter())});
    }
  }
  return entries;
}

// What a settings file gives, read before any of it is applied: for each option the
// value it takes, or nothing where the option keeps the one it has.
struct SettingsValues {
  std::vector<std::optional<int>> numbers;
  std::vector<std::optional<std::string>> texts;
  // The file says the option pages are not shown ("Advanced=0").
  bool pagesHidden = false;
  std::optional<int> counter;
  LoadedSettings loaded;
};

class Reader {
 public:
  Reader(const IniFile& file, bool full, const ProgramDirectories& dirs)
      : file_(file), full_(full), dirs_(dirs) {}

  SettingsValues read() const {
    SettingsValues v;
    v.numbers.resize(allOptionSpecs().size());
    v.texts.resize(allOptionSpecs().size());
    for (const OptionSpec& row : allOptionSpecs()) {
      const Setting& s = row.setting;
      if (s.section == nullptr || (s.startupOnly && !full_)) continue;
      const auto i = static_cast<std::size_t>(row.id);
      if (row.kind == OptionKind::Text) {
        v.texts[i] = readText(row);
      } else if (s.type == ValueType::PagesShown) {
        v.pagesHidden = readNumber(row) == 0;
      } else {
        v.numbers[i] = readNumber(row);
      }
    }
    if (full_) {
      if (const auto counter = file_.value(kCounterSection, kCounterKey)) {
        v.counter = parseSettingsInt(*counter).value_or(0);
      } else {
        v.counter = 0;
      }
      // No language chosen yet: the desktop's, among the shipped ones.
      const auto chosen = file_.value(kLanguageSection, kLanguageKey);
      v.loaded.languageFile = chosen ? *chosen : desktopLanguageFile(dirs_.dataDir);
      v.loaded.windowPositionStored =
          file_.has(kCounterSection, "Top") || file_.has(kCounterSection, "Left");
    }
    return v;
  }

 private:
  std::optional<std::string> readText(const OptionSpec& row) const {
    const Setting& s = row.setting;
    std::optional<std::string> text = file_.value(s.section, s.key);
    if (!text) {
      switch (s.missing) {
        case Missing::Current:
          return std::nullopt;
        case Missing::OutputFolder:
          return dirs_.defaultOutput;
        case Missing::Default:
        case Missing::FileDefault:
          return std::string(row.defaultText ? row.defaultText : "");
      }
    }
    // An output folder that is not there (yet) stays the user's choice: captures go
    // to the default one meanwhile (see OutputNames).
    return text;
  }

  std::optional<int> readNumber(const OptionSpec& row) const {
    const Setting& s = row.setting;
    const std::optional<std::string> raw = file_.value(s.section, s.key);
    if (s.type == ValueType::FontStyle) {
      return raw ? fontStyleFromLetters(*raw) : row.defaultValue;
    }
    std::optional<int> v = raw ? parseSettingsInt(*raw) : std::nullopt;
    if (v && s.type == ValueType::Index && (*v < 0 || *v >= row.max)) v.reset();
    if (!v) {
      switch (s.missing) {
        case Missing::Current:
          return std::nullopt;
        case Missing::FileDefault:
          v = s.fileDefault;
          break;
        case Missing::Default:
        case Missing::OutputFolder:
          v = row.defaultValue;
          break;
      }
    }
    return v;
  }

  const IniFile& file_;
  bool full_;
  const ProgramDirectories& dirs_;
};

// Sets every option the file gives as if the user had changed it. The capture
// hotkeys' conflict check runs once all keys are in, not against keys the file is
// about to replace.
void apply(const SettingsValues& values, Options& options) {
  struct Deferral {
    Options& options;
    ~Deferral() { options.deferHotkeyCheck(false); }
  } deferral{options};
  options.deferHotkeyCheck(true);
  for (const OptionSpec& row : allOptionSpecs()) {
    const auto i = static_cast<std::size_t>(row.id);
    if (values.texts[i]) options.setText(row.id, *values.texts[i]);
    if (values.numbers[i]) options.setValue(row.id, *values.numbers[i]);
  }
  options.deferHotkeyCheck(false);
  options.hotkeyConflictCheck();
  // Last: a new output type may have opened the window's option pages to show its
  // own page, and a file that keeps them closed keeps them closed.
  if (values.pagesHidden && optionPagesShown(options)) toggleOptionPagesHeight(options);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> savedKeys() {
  const Options defaults;
  const SaveState state(defaults);
  std::vector<std::pair<std::string, std::string>> keys;
  for (const IniEntry& e : savedEntries(defaults, state)) keys.emplace_back(e.section, e.key);
  return keys;
}

SettingsFiles::SettingsFiles(Options& options, Texts& texts, SaveState& state,
                             const ProgramDirectories& dirs, CaptureCycle* cycle,
                             CaptureReporter* reporter)
    : options_(options),
      texts_(texts),
      state_(state),
      dirs_(dirs),
      cycle_(cycle),
      reporter_(reporter) {
  // Until a settings file says otherwise, pictures go to the default output folder;
  // and there while the folder a file gives is missing.
  options_.setText(Option::outputDir, dirs_.defaultOutput);
  state_.names.setStandInFolder(dirs_.defaultOutput);
  if (cycle_) cycle_->addObserver(*this);
}

SettingsFiles::~SettingsFiles() {
  for (const Options::WatchId& watch : changeWatches_) options_.unwatch(watch);
  if (cycle_) cycle_->removeObserver(*this);
}

std::string SettingsFiles::mainFile() const {
  return dirs_.configDir + "snaprill.ini";
}

bool SettingsFiles::mainFileLocked() const {
  return lockedAgainstWriting(mainFile());
}

void SettingsFiles::saveMainFile() {
  changesWaiting_ = false;
  if (saveTimer_) saveTimer_->setEnabled(false);
  // A settings file the user has locked stays as it is, without a word: a message
  // at every exit would only repeat what the user chose.
  if (!mainFileLocked()) save(mainFile());
}

void SettingsFiles::saveChangesSoon(std::unique_ptr<Timer> timer) {
  saveTimer_ = std::move(timer);
  saveTimer_->setInterval(kSaveDelay);
  saveTimer_->setHandler([this] { saveWaitingChanges(); });
  for (const OptionSpec& row : allOptionSpecs()) {
    if (row.setting.section != nullptr) {
      changeWatches_.push_back(options_.watch(row.id, [this] { changed(); }));
    }
  }
}

void SettingsFiles::changed() {
  if (!saveTimer_) return;
  changesWaiting_ = true;
  // Restarted by each change: a burst of changes (typing, a spin box held) is saved
  // once, after its last change.
  saveTimer_->setEnabled(false);
  saveTimer_->setEnabled(true);
}

void SettingsFiles::saveWaitingChanges() {
  saveTimer_->setEnabled(false);
  // While an auto-save capture waits, the options in use are another file's; the
  // user's own come back with its end.
  if (!changesWaiting_ || restorePending_) return;
  try {
    saveMainFile();
  } catch (...) {
    reportError(std::current_exception());
  }
}

void SettingsFiles::optionsAsInMainFile() {
  changesWaiting_ = false;
  if (saveTimer_) saveTimer_->setEnabled(false);
}

void SettingsFiles::save(const std::string& file) {
  setAutostart(options_.checked(Option::runAtLogin), dirs_.executablePath);
  const std::vector<IniEntry> entries = savedEntries(options_, state_);
  // The language file is written only by the language choice. One replacement of the file for the
  // whole save: a rewrite per key cost seconds at every exit. The settings go first, so that an
  // overlay file that cannot be written does not cost them.
  writeIniValues(file, entries);
  saveOverlayFile(state_.overlay, dirs_.configDir);
}

LoadedSettings SettingsFiles::load(const std::string& file, bool full) {
  const IniFile profile = IniFile::fromFile(file);
  const SettingsValues values = Reader(profile, full, dirs_).read();
  apply(values, options_);
  if (values.counter && options_.checked(Option::rememberLastNumber)) {
    state_.names.setCounter(*values.counter);
  }
  if (full || options_.checked(Option::addOverlay))
    loadOverlayFile(state_.overlay, dirs_.configDir);
  if (full) loadLanguage(values.loaded.languageFile);
  if (full && options_.checked(Option::startPaused) && cycle_) cycle_->togglePause();
  state_.names.lookForOutputFolder();
  showOutputDirectoryChoice();
  return values.loaded;
}

LoadedSettings SettingsFiles::loadStartup(const std::string& file) {
  state_.names.setCounter(0);
  // A file without the text colour keeps the one in use: a start begins from the
  // default.
  options_.setValue(Option::textColour, specOf(Option::textColour).defaultValue);
  restorePending_ = false;

  const LoadedSettings loaded = load(file, true);
  settleOutputDirectory();
  return loaded;
}

void SettingsFiles::settleOutputDirectory() {
  std::string dir = withTrailingSlash(options_.text(Option::outputDir));
  if (dir.empty()) dir = dirs_.defaultOutput;
  options_.setText(Option::outputDir, dir);
  state_.names.lookForOutputFolder();
  showOutputDirectoryChoice();
}

void SettingsFiles::showOutputDirectoryChoice() {
  // No file holds the choice; the folder a file gives says which one it was.
  const bool isDefault =
      withTrailingSlash(options_.text(Option::outputDir)) == withTrailingSlash(dirs_.defaultOutput);
  options_.setChecked(Option::useChosenDir, !isDefault);
  options_.setChecked(Option::useDefaultDir, isDefault);
}

void SettingsFiles::loadLanguage(const std::string& file) {
  snaprill::loadLanguage(texts_, file, dirs_.dataDir);
}

void SettingsFiles::writeOption(Option id) {
  const OptionSpec& row = specOf(id);
  if (mainFileLocked()) return;
  writeIniValue(mainFile(), row.setting.section, row.setting.key, savedText(options_, row));
}

void SettingsFiles::writeFont() {
  for (const Option id : {Option::textColour, Option::textFontName, Option::textFontSize}) {
    writeOption(id);
  }
}

void SettingsFiles::writeOutputDir() {
  writeOption(Option::outputDir);
}

void SettingsFiles::writeLanguageFile(const std::string& languageFile) {
  if (mainFileLocked()) return;
  writeIniValue(mainFile(), kLanguageSection, kLanguageKey, languageFile);
}

void SettingsFiles::useForOneCapture(const std::string& optionFile) {
  // Copied: the options file may name other options files.
  const std::string file = optionFile;
  // With a return still waiting, the options in use are another file's, and the main
  // settings file already holds the user's own: saving would put them out for good.
  if (!restorePending_) saveMainFile();
  const bool found = !file.empty() && isRegularFileOrOther(file);
  missingOptionsFile_ = file.empty() || found ? std::string() : file;
  if (found) {
    try {
      load(file, false);
    } catch (...) {
      // Half an options file must not stay in place of the user's settings.
      load(mainFile(), false);
      optionsAsInMainFile();
      throw;
    }
  }
  restorePending_ = true;
  optionsAsInMainFile();  // the other file's options are not the user's changes
}

void SettingsFiles::restoreUserSettings() {
  if (!restorePending_) return;
  restorePending_ = false;
  load(mainFile(), false);
  optionsAsInMainFile();
}

void SettingsFiles::reportError(std::exception_ptr error) {
  if (reporter_ != nullptr) reporter_->reportError(error);
}

void SettingsFiles::captureTaken() {
  missingForTaken_.push_back(std::exchange(missingOptionsFile_, std::string()));
  // Its write keeps the options it was taken with: a press while it is written is
  // the user's own again.
  try {
    restoreUserSettings();
  } catch (...) {
    reportError(std::current_exception());
  }
}

void SettingsFiles::captureEnded(const SaveOutcome& outcome, const CaptureSource&) {
  std::string missing;
  if (!missingForTaken_.empty()) {
    missing = std::move(missingForTaken_.front());
    missingForTaken_.pop_front();
  }
  // A number remembered for the next start is kept as soon as options are.
  if (!outcome.path.empty() && options_.checked(Option::rememberLastNumber)) changed();
  // Said now rather than at the press: the capture's own counter would replace the
  // notice at once. A capture that was not saved has a notice of its own.
  if (!missing.empty() && !outcome.path.empty() && cycle_) {
    cycle_->showNotice(
        replaceIgnoringCase(texts_.get("Main", "OptionsFileMissing"), "%s", missing));
  }
}

void SettingsFiles::close() {
  // An auto-save capture that never arrived: its options file's settings are still
  // in place and must not be saved as the user's own.
  restoreUserSettings();
  saveMainFile();
}

}  // namespace snaprill
