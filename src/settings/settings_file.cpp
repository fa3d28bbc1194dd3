#include "settings/settings_file.h"

#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "formats/ini/ini_file.h"
#include "options/language.h"
#include "options/page_height.h"
#include "options/settings_schema.h"
#include "platform/autostart.h"
#include "platform/program_dir.h"
#include "settings/overlay_file.h"

namespace snaprill {

namespace {

constexpr int kStartupColour = 0x008000;

// The text a key is written as.
std::string savedValue(const Options& c, const SaveState& state, const SettingKey& k) {
  switch (k.special) {
    case Special::Advanced:
      return optionPagesShown(c) ? "1" : "0";
    case Special::LastPic:
      return std::to_string(state.names.counter());
    case Special::FontStyle:
      return fontStyleLetters(c.value(Option::textFontStyle));
    default:
      break;
  }
  if (k.control == kNoOption) throw std::logic_error("setting without a control");
  if (k.type == ValueType::String) return c.text(k.control);
  return std::to_string(c.value(k.control));
}

void writeKeys(const Options& options, const SaveState& state, const std::string& file,
               std::initializer_list<std::pair<const char*, const char*>> keys) {
  for (const auto& [section, name] : keys) {
    const SettingKey* k = findSetting(section, name);
    if (!k) throw std::logic_error("unknown setting");
    writeIniValue(file, k->section, k->key, savedValue(options, state, *k));
  }
}

// One load: reads each key of the schema from the parsed file into the options.
class Loader {
 public:
  Loader(Options& options, SaveState& state, const ProgramDirectories& dirs, const IniFile& profile,
         bool full)
      : c_(options), state_(state), dirs_(dirs), p_(profile), full_(full) {}

  // What the file held beyond the options. The language file and the pause are the
  // caller's to apply.
  struct Found {
    LoadedSettings settings;
    bool startPaused = false;
  };

  Found run() {
    // The conflict check runs once both capture keys are read, not against keys the
    // file is about to replace.
    struct Deferral {
      Options& c;
      ~Deferral() { c.deferHotkeyCheck(false); }
    } deferral{c_};
    c_.deferHotkeyCheck(true);
    for (const SettingKey* k : settingsLoadOrder()) {
      if (k->fullOnly && !full_) continue;
      read(*k);
    }
    return found_;
  }

 private:
  int fallbackInt(const SettingKey& k) const {
    return k.fallback == Fallback::Current ? c_.value(k.control) : k.defaultValue;
  }

  std::string fallbackText(const SettingKey& k) const {
    switch (k.fallback) {
      case Fallback::Current:
        return c_.text(k.control);
      case Fallback::OutputFolder:
        return dirs_.defaultOutput;
      case Fallback::LanguageFile:
        return dirs_.dataDir + "english.ini";
      case Fallback::Fixed:
        break;
    }
    return k.defaultText ? k.defaultText : "";
  }

  int readInt(const SettingKey& k) const {
    const std::optional<std::string> raw = p_.value(k.section, k.key);
    const std::optional<int> v = raw ? parseSettingsInt(*raw) : std::nullopt;
    if (!v) return fallbackInt(k);
    if (k.type == ValueType::Index && (*v < 0 || *v >= c_.rangeMax(k.control))) {
      return fallbackInt(k);
    }
    return *v;
  }

  std::string readText(const SettingKey& k) const {
    std::optional<std::string> raw = p_.value(k.section, k.key);
    return raw ? std::move(*raw) : fallbackText(k);
  }

  // Sets the key's control as if the user had changed it.
  void apply(const SettingKey& k) {
    if (k.type == ValueType::String) {
      c_.setText(k.control, readText(k));
    } else {
      c_.setValue(k.control, readInt(k));
    }
  }

  void read(const SettingKey& k) {
    switch (k.special) {
      case Special::LanguageFile:
        found_.settings.languageFile = readText(k);
        return;
      case Special::WindowTop:
        if (p_.has(k.section, "Top") || p_.has(k.section, "Left")) {
          found_.settings.windowPositionStored = true;
        }
        apply(k);
        return;
      case Special::Advanced:
        if (readInt(k) == 0 && c_.value(Option::clientHeight) >= kPagesCollapsedLimit)
          toggleOptionPagesHeight(c_);
        return;
      case Special::LastPic:
        if (c_.checked(Option::rememberLastNumber)) state_.names.setCounter(readInt(k));
        return;
      case Special::StartPaused:
        apply(k);
        found_.startPaused = c_.checked(Option::startPaused);
        return;
      case Special::OutputDir: {
        std::string dir = readText(k);
        if (!isDirectory(dir)) dir = dirs_.defaultOutput;
        c_.setText(Option::outputDir, dir);
        return;
      }
      case Special::CaptureHotkeys:
        apply(k);
        c_.hotkeyConflictCheck();
        return;
      case Special::FontStyle:
        c_.setValue(Option::textFontStyle, fontStyleFromLetters(readText(k)));
        return;
      case Special::AddPic:
        apply(k);
        if (full_ || c_.checked(Option::addOverlay))
          loadOverlayFile(state_.overlay, dirs_.configDir);
        return;
      case Special::ImageCount:
        c_.setChecked(Option::saveAnimation, false);
        apply(k);
        return;
      case Special::TrayAlways:
      case Special::OutputType:
      case Special::Prefix:
      case Special::LevelCaptions:
      case Special::AddPicX:
      case Special::None:
        apply(k);
        return;
    }
  }

  Options& c_;
  SaveState& state_;
  const ProgramDirectories& dirs_;
  const IniFile& p_;
  bool full_;
  Found found_;
};

}  // namespace

SettingsFiles::SettingsFiles(Options& options, Texts& texts, SaveState& state,
                             const ProgramDirectories& dirs, CaptureCycle* cycle)
    : options_(options), texts_(texts), state_(state), dirs_(dirs), cycle_(cycle) {
  if (cycle_) cycle_->addObserver(*this);
}

SettingsFiles::~SettingsFiles() {
  if (cycle_) cycle_->removeObserver(*this);
}

std::string SettingsFiles::mainFile() const {
  return dirs_.configDir + "snaprill.ini";
}

void SettingsFiles::save(const std::string& file) {
  setAutostart(options_.checked(Option::runAtLogin), dirs_.executablePath);
  std::vector<IniEntry> entries;
  for (const SettingKey& k : settingsSchema()) {
    if (k.special == Special::LanguageFile) continue;  // written only by the language choice
    entries.push_back(IniEntry{k.section, k.key, savedValue(options_, state_, k)});
  }
  // One replacement of the file for the whole save: a rewrite per key cost seconds
  // at every exit. The settings go first, so that an overlay file that cannot be
  // written does not cost them.
  writeIniValues(file, entries);
  saveOverlayFile(state_.overlay, dirs_.configDir);
}

LoadedSettings SettingsFiles::load(const std::string& file, bool full) {
  const IniFile profile = IniFile::fromFile(file);
  const Loader::Found found = Loader(options_, state_, dirs_, profile, full).run();
  if (full) loadLanguage(found.settings.languageFile);
  if (found.startPaused && cycle_) cycle_->togglePause();
  return found.settings;
}

LoadedSettings SettingsFiles::loadStartup(const std::string& file) {
  Options& c = options_;
  state_.names.setCounter(0);
  c.setValue(Option::pngLevel, 9);
  c.setValue(Option::jpegQuality, 90);
  c.setText(Option::textFontName, "MS Sans Serif");
  c.setValue(Option::textFontSize, 8);
  c.setValue(Option::textFontStyle, kBold);
  c.setValue(Option::textColour, kStartupColour);
  restorePending_ = false;

  const LoadedSettings loaded = load(file, true);
  settleOutputDirectory();
  return loaded;
}

void SettingsFiles::settleOutputDirectory() {
  std::string dir = withTrailingSlash(options_.text(Option::outputDir));
  if (!isDirectory(dir)) dir = dirs_.defaultOutput;
  options_.setText(Option::outputDir, dir);
}

void SettingsFiles::loadLanguage(const std::string& file) {
  snaprill::loadLanguage(texts_, file, dirs_.dataDir);
}

void SettingsFiles::writeFont() {
  writeKeys(options_, state_, mainFile(),
            {{"Images", "TextCol"}, {"Images", "Font"}, {"Images", "FontSize"}});
}

void SettingsFiles::writeOutputDir() {
  writeKeys(options_, state_, mainFile(), {{"General", "OutputDir"}});
}

void SettingsFiles::writeLanguageFile(const std::string& languageFile) {
  writeIniValue(mainFile(), "Language", "LangFile", languageFile);
}

void SettingsFiles::useForOneCapture(const std::string& optionFile) {
  // Copied: the options file may name other options files.
  const std::string file = optionFile;
  // With a return still waiting, the options in use are another file's, and the main
  // settings file already holds the user's own: saving would put them out for good.
  if (!restorePending_) save(mainFile());
  if (!file.empty() && isRegularFileOrOther(file)) {
    try {
      load(file, false);
    } catch (...) {
      // Half an options file must not stay in place of the user's settings.
      load(mainFile(), false);
      throw;
    }
  }
  restorePending_ = true;
}

void SettingsFiles::restoreUserSettings() {
  if (!restorePending_) return;
  restorePending_ = false;
  load(mainFile(), false);
}

void SettingsFiles::captureEnded(const SaveOutcome&) {
  try {
    restoreUserSettings();
  } catch (...) {
    if (cycle_) cycle_->reportError(std::current_exception());
  }
}

void SettingsFiles::close() {
  // An auto-save capture that never arrived: its options file's settings are still
  // in place and must not be saved as the user's own.
  restoreUserSettings();
  save(mainFile());
}

}  // namespace snaprill
