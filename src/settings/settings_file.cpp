#include "settings/settings_file.h"

#include <initializer_list>
#include <stdexcept>

#include "formats/ini/ini_file.h"
#include "options/settings_schema.h"
#include "platform/autostart.h"
#include "platform/program_dir.h"
#include "settings/overlay_file.h"

namespace snaprill {

namespace {

constexpr int kExpandedHeight = 348;
constexpr int kCollapsedHeight = 99;
// At most this client height the option pages count as collapsed.
constexpr int kCollapsedLimit = 120;
constexpr int kStartupColour = 0x008000;

// The Advanced Options link: expands a collapsed window, collapses an expanded one.
void toggleAdvanced(Options& c) {
  const bool collapsed = c.value(Option::clientHeight) <= kCollapsedLimit;
  c.setValue(Option::clientHeight, collapsed ? kExpandedHeight : kCollapsedHeight);
}

// The text a key is written as.
std::string savedValue(const CaptureEngine& e, const SettingKey& k) {
  const Options& c = e.options;
  switch (k.special) {
    case Special::Advanced:
      return c.value(Option::clientHeight) <= kCollapsedLimit ? "0" : "1";
    case Special::LastPic:
      return std::to_string(e.ImageCounter);
    case Special::FontStyle:
      return fontStyleLetters(c.value(Option::textFontStyle));
    default:
      break;
  }
  if (k.control == kNoOption) throw std::logic_error("setting without a control");
  if (k.type == ValueType::String) return c.text(k.control);
  return std::to_string(c.value(k.control));
}

void writeKey(const CaptureEngine& e, const std::string& file, const SettingKey& k) {
  writeIniValue(file, k.section, k.key, savedValue(e, k));
}

void writeKeys(CaptureEngine& e, std::initializer_list<std::pair<const char*, const char*>> keys) {
  const std::string file = e.mainSettingsFile();
  for (const auto& [section, name] : keys) {
    const SettingKey* k = findSetting(section, name);
    if (!k) throw std::logic_error("unknown setting");
    writeKey(e, file, *k);
  }
}

// One load: reads each key of the schema from the parsed file into the options.
class Loader {
 public:
  Loader(CaptureEngine& engine, const IniFile& profile, bool full)
      : e_(engine), c_(engine.options), p_(profile), full_(full) {}

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
        return e_.platform.dirs.defaultOutput;
      case Fallback::LanguageFile:
        return e_.platform.dirs.configDir + "english.ini";
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
        if (e_.loadLanguage) e_.loadLanguage(readText(k));
        return;
      case Special::WindowTop:
        if (p_.has(k.section, "Top") || p_.has(k.section, "Left")) {
          e_.windowPositionFromSettings = true;
        }
        apply(k);
        return;
      case Special::Advanced:
        if (readInt(k) == 0 && c_.value(Option::clientHeight) >= kCollapsedLimit)
          toggleAdvanced(c_);
        return;
      case Special::LastPic:
        if (c_.checked(Option::rememberLastNumber)) e_.ImageCounter = readInt(k);
        if (e_.ImageCounter < 0 || e_.ImageCounter > kMaxImageNumber) e_.ImageCounter = 0;
        return;
      case Special::StartPaused:
        apply(k);
        if (c_.checked(Option::startPaused)) e_.PauseSnaprill1Click();
        return;
      case Special::TrayAlways:
        apply(k);
        e_.trayClicksConnected = true;
        return;
      case Special::OutputType:
        apply(k);
        e_.imageTypeChanged();
        return;
      case Special::OutputDir: {
        std::string dir = readText(k);
        if (!isDirectory(dir)) dir = e_.platform.dirs.defaultOutput;
        c_.setText(Option::outputDir, dir);
        return;
      }
      case Special::Prefix:
        apply(k);
        e_.Edit3Change();
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
        if (full_ || c_.checked(Option::addOverlay)) LoadOverlayFile(e_);
        return;
      case Special::ImageCount:
        c_.setChecked(Option::saveAnimation, false);
        apply(k);
        return;
      case Special::LevelCaptions:
        apply(k);
        e_.levelCaptionsChanged();
        return;
      case Special::AddPicX:
      case Special::None:
        apply(k);
        return;
    }
  }

  CaptureEngine& e_;
  Options& c_;
  const IniFile& p_;
  bool full_;
};

}  // namespace

void SaveSettings(CaptureEngine& engine, const std::string& file) {
  setAutostart(engine.options.checked(Option::runAtLogin), engine.platform.dirs.executablePath);
  for (const SettingKey& k : settingsSchema()) {
    if (k.special == Special::LanguageFile) continue;  // written only by the language choice
    if (k.special == Special::AddPicX) SaveOverlayFile(engine);
    writeKey(engine, file, k);
  }
}

void LoadSettings(CaptureEngine& engine, const std::string& file, bool full) {
  const IniFile profile = IniFile::fromFile(file);
  Loader(engine, profile, full).run();
}

void connectSettings(CaptureEngine& engine) {
  engine.loadSettings = [&engine](const std::string& file, bool full) {
    LoadSettings(engine, file, full);
  };
  engine.saveSettings = [&engine](const std::string& file) { SaveSettings(engine, file); };
}

void LoadStartupSettings(CaptureEngine& engine, const std::string& file) {
  Options& c = engine.options;
  engine.ImageCounter = 0;
  c.setValue(Option::pngLevel, 9);
  c.setValue(Option::jpegQuality, 90);
  c.setText(Option::textFontName, "MS Sans Serif");
  c.setValue(Option::textFontSize, 8);
  c.setValue(Option::textFontStyle, kBold);
  c.setValue(Option::textColour, kStartupColour);
  engine.AutoSaveRestorePending = false;

  LoadSettings(engine, file, true);

  std::string dir = withTrailingSlash(c.text(Option::outputDir));
  if (!isDirectory(dir)) dir = engine.platform.dirs.defaultOutput;
  c.setText(Option::outputDir, dir);
}

void WriteFontSettings(CaptureEngine& engine) {
  writeKeys(engine, {{"Images", "TextCol"}, {"Images", "Font"}, {"Images", "FontSize"}});
}

void WriteOutputDirSetting(CaptureEngine& engine) {
  writeKeys(engine, {{"General", "OutputDir"}});
}

void WriteLanguageFileSetting(CaptureEngine& engine, const std::string& languageFile) {
  writeIniValue(engine.mainSettingsFile(), "Language", "LangFile", languageFile);
}

void SwitchToOptionFile(CaptureEngine& engine, const std::string& optionFile) {
  SaveSettings(engine, engine.mainSettingsFile());
  if (!optionFile.empty() && isRegularFileOrOther(optionFile)) {
    LoadSettings(engine, optionFile, false);
  }
}

}  // namespace snaprill
