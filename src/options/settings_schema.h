// The settings schema: every key of a settings file, in the order SaveSettings
// writes them, with its type, control, default and the moments it is read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "options/options.h"

namespace snaprill {

enum class ValueType : std::uint8_t {
  Int,       // signed decimal; "0x…" hexadecimal on reading
  Bool,      // "1" or "0"; any non-zero integer reads as true
  String,    // the text as it is
  Colour,    // int: 0x00BBGGRR, negative values name system colours
  Shortcut,  // int: virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt
  Index,     // int: entry of a drop-down list; outside the list gives the default
};

// What a missing or unreadable key gives.
enum class Fallback : std::uint8_t {
  Fixed,         // defaultValue or defaultText
  Current,       // the value the control holds
  OutputFolder,  // the default output directory
  LanguageFile,  // "english.ini" among the shipped files (ProgramDirectories::dataDir)
};

// Keys whose reading or writing does more than move one value between file and
// control.
enum class Special : std::uint8_t {
  None,
  LanguageFile,    // read only by a full load and handed to loadLanguage; never saved
  WindowTop,       // its presence, or Left's, keeps the window where the file says
  Advanced,        // stands for the window's client height
  LastPic,         // stands for ImageCounter; read only with RememberLastPic
  StartPaused,     // a checked box issues the pause toggle
  TrayAlways,      // the box's click reaction is connected after it is set
  OutputType,      // followed by the image-type change reaction
  OutputDir,       // a directory that does not exist gives the default
  Prefix,          // followed by the prefix check and example
  CaptureHotkeys,  // the second capture key: followed by the hotkey conflict check
  FontStyle,       // letters b, i, u, s
  AddPic,          // followed by reading the overlay picture file
  AddPicX,         // the overlay picture file is written before it
  ImageCount,      // `saveanimation` is deselected before it
  LevelCaptions,   // the last level: followed by refreshing both level captions
};

inline constexpr Option kNoOption = Option::Count_;

struct SettingKey {
  const char* section;
  const char* key;
  ValueType type;
  Option control;  // kNoOption for LastPic and LangFile
  Fallback fallback;
  int defaultValue;
  const char* defaultText;
  bool fullOnly;       // read only by a load with full = true
  int loadStep;        // loads run in ascending steps, table order within a step
  bool loadAfterNext;  // read right after the key that follows it in the table
  Special special;

  // Builders for the table. `with` comes first: clang cannot evaluate a member
  // template in a constant expression before it has seen its definition.
 private:
  template <typename F>
  constexpr SettingKey with(F change) const {
    SettingKey k = *this;
    change(k);
    return k;
  }

 public:
  constexpr SettingKey full() const {
    return with([](SettingKey& k) { k.fullOnly = true; });
  }
  constexpr SettingKey step(int s) const {
    return with([s](SettingKey& k) { k.loadStep = s; });
  }
  constexpr SettingKey afterNext() const {
    return with([](SettingKey& k) { k.loadAfterNext = true; });
  }
  constexpr SettingKey is(Special s) const {
    return with([s](SettingKey& k) { k.special = s; });
  }
  constexpr SettingKey or_(Fallback f) const {
    return with([f](SettingKey& k) { k.fallback = f; });
  }
};

// Every key, in the order SaveSettings writes them.
std::span<const SettingKey> settingsSchema();
// The same keys in the order LoadSettings reads them.
const std::vector<const SettingKey*>& settingsLoadOrder();
// The key of that section and name, or nullptr.
const SettingKey* findSetting(std::string_view section, std::string_view key);

// An integer as the settings files hold it: decimal text with an optional sign, or
// text of more than two characters beginning with "0x" or "0X" as hexadecimal (up
// to 32 bits, taken as a signed value). Anything else, trailing junk or a value
// beyond 32 bits included, gives nothing.
std::optional<int> parseSettingsInt(std::string_view text);

// FontStyleBits from style letters (any case, anywhere) and back ("biu s" order).
int fontStyleFromLetters(std::string_view letters);
std::string fontStyleLetters(int style);

}  // namespace snaprill
