#include "settings/settings_file.h"

#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "formats/ini/ini_file.h"
#include "options/page_height.h"
#include "options/settings_schema.h"
#include "platform/autostart.h"
#include "platform/program_dir.h"
#include "settings/overlay_file.h"

namespace snaprill {

namespace {

constexpr int kStartupColour = 0x008000;

// The text a key is written as.
std::string savedValue(const CaptureCycle& cycle, const SettingKey& k) {
  const Options& c = cycle.options;
  switch (k.special) {
    case Special::Advanced:
      return optionPagesShown(c) ? "1" : "0";
    case Special::LastPic:
      return std::to_string(cycle.names().counter());
    case Special::FontStyle:
      return fontStyleLetters(c.value(Option::textFontStyle));
    default:
      break;
  }
  if (k.control == kNoOption) throw std::logic_error("setting without a control");
  if (k.type == ValueType::String) return c.text(k.control);
  return std::to_string(c.value(k.control));
}

void writeKey(const CaptureCycle& cycle, const std::string& file, const SettingKey& k) {
  writeIniValue(file, k.section, k.key, savedValue(cycle, k));
}

void writeKeys(CaptureCycle& cycle,
               std::initializer_list<std::pair<const char*, const char*>> keys) {
  const std::string file = cycle.mainSettingsFile();
  for (const auto& [section, name] : keys) {
    const SettingKey* k = findSetting(section, name);
    if (!k) throw std::logic_error("unknown setting");
    writeKey(cycle, file, *k);
  }
}

// One load: reads each key of the schema from the parsed file into the options.
class Loader {
 public:
  Loader(CaptureCycle& cycle, const IniFile& profile, bool full)
      : cycle_(cycle), c_(cycle.options), p_(profile), full_(full) {}

  void run() {
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
        return cycle_.platform.dirs.defaultOutput;
      case Fallback::LanguageFile:
        return cycle_.platform.dirs.dataDir + "english.ini";
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
        if (cycle_.languageLoad) cycle_.languageLoad(readText(k));
        return;
      case Special::WindowTop:
        if (p_.has(k.section, "Top") || p_.has(k.section, "Left")) {
          cycle_.view().windowPositionFromSettings = true;
        }
        apply(k);
        return;
      case Special::Advanced:
        if (readInt(k) == 0 && c_.value(Option::clientHeight) >= kPagesCollapsedLimit)
          toggleOptionPagesHeight(c_);
        return;
      case Special::LastPic:
        if (c_.checked(Option::rememberLastNumber)) cycle_.names().setCounter(readInt(k));
        return;
      case Special::StartPaused:
        apply(k);
        if (c_.checked(Option::startPaused)) cycle_.togglePause();
        return;
      case Special::TrayAlways:
        apply(k);
        cycle_.trayClicksConnected = true;
        return;
      case Special::OutputType:
        apply(k);
        cycle_.outputTypeChanged();
        return;
      case Special::OutputDir: {
        std::string dir = readText(k);
        if (!isDirectory(dir)) dir = cycle_.platform.dirs.defaultOutput;
        c_.setText(Option::outputDir, dir);
        return;
      }
      case Special::Prefix:
        apply(k);
        cycle_.cleanPrefix();
        return;
      case Special::CaptureHotkeys:
        apply(k);
        c_.hotkeyConflictCheck();
        return;
      case Special::FontStyle:
        c_.setValue(Option::textFontStyle, fontStyleFromLetters(readText(k)));
        return;
      case Special::AddPic:
        apply(k);
        if (full_ || c_.checked(Option::addOverlay)) loadOverlayFile(cycle_);
        return;
      case Special::ImageCount:
        c_.setChecked(Option::saveAnimation, false);
        apply(k);
        return;
      case Special::LevelCaptions:
        apply(k);
        cycle_.refreshLevelCaptions();
        return;
      case Special::AddPicX:
      case Special::None:
        apply(k);
        return;
    }
  }

  CaptureCycle& cycle_;
  Options& c_;
  const IniFile& p_;
  bool full_;
};

}  // namespace

void saveSettings(CaptureCycle& cycle, const std::string& file) {
  setAutostart(cycle.options.checked(Option::runAtLogin), cycle.platform.dirs.executablePath);
  std::vector<IniEntry> entries;
  for (const SettingKey& k : settingsSchema()) {
    if (k.special == Special::LanguageFile) continue;  // written only by the language choice
    entries.push_back(IniEntry{k.section, k.key, savedValue(cycle, k)});
  }
  // One replacement of the file for the whole save: a rewrite per key cost seconds
  // at every exit. The settings go first, so that an overlay file that cannot be
  // written does not cost them.
  writeIniValues(file, entries);
  saveOverlayFile(cycle);
}

void loadSettings(CaptureCycle& cycle, const std::string& file, bool full) {
  const IniFile profile = IniFile::fromFile(file);
  Loader(cycle, profile, full).run();
}

void connectSettings(CaptureCycle& cycle) {
  cycle.settingsLoad = [&cycle](const std::string& file, bool full) {
    loadSettings(cycle, file, full);
  };
  cycle.settingsSave = [&cycle](const std::string& file) { saveSettings(cycle, file); };
}

void loadStartupSettings(CaptureCycle& cycle, const std::string& file) {
  Options& c = cycle.options;
  cycle.names().setCounter(0);
  c.setValue(Option::pngLevel, 9);
  c.setValue(Option::jpegQuality, 90);
  c.setText(Option::textFontName, "MS Sans Serif");
  c.setValue(Option::textFontSize, 8);
  c.setValue(Option::textFontStyle, kBold);
  c.setValue(Option::textColour, kStartupColour);
  cycle.autoSaveRestorePending = false;

  loadSettings(cycle, file, true);
  settleOutputDirectory(cycle);
}

void settleOutputDirectory(CaptureCycle& cycle) {
  std::string dir = withTrailingSlash(cycle.options.text(Option::outputDir));
  if (!isDirectory(dir)) dir = cycle.platform.dirs.defaultOutput;
  cycle.options.setText(Option::outputDir, dir);
}

void writeFontSettings(CaptureCycle& cycle) {
  writeKeys(cycle, {{"Images", "TextCol"}, {"Images", "Font"}, {"Images", "FontSize"}});
}

void writeOutputDirSetting(CaptureCycle& cycle) {
  writeKeys(cycle, {{"General", "OutputDir"}});
}

void writeLanguageFileSetting(CaptureCycle& cycle, const std::string& languageFile) {
  writeIniValue(cycle.mainSettingsFile(), "Language", "LangFile", languageFile);
}

void switchToOptionFile(CaptureCycle& cycle, const std::string& optionFile) {
  saveSettings(cycle, cycle.mainSettingsFile());
  if (!optionFile.empty() && isRegularFileOrOther(optionFile)) {
    loadSettings(cycle, optionFile, false);
  }
}

}  // namespace snaprill
