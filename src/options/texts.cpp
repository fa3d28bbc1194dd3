#include "options/texts.h"

#include <array>
#include <cctype>

namespace snaprill {

namespace {

struct BuiltInText {
  const char* section;
  const char* key;
  const char* text;
};

// English texts; the full language schema extends this table.
constexpr std::array kBuiltIn = {
    BuiltInText{"Main", "Quality", "Quality %q (recommended %r)"},
    BuiltInText{"Main", "Compression", "Compression Level: %q"},
    BuiltInText{"Main", "SavingSettings", "Saving settings..."},
    BuiltInText{"Main", "SnaprillPaused", "SNAPRILL IS PAUSED"},
    BuiltInText{"Main", "Paused", "Paused"},
    BuiltInText{"Main", "Pictures", "%p pictures"},
    BuiltInText{"Main", "WaylandNote",
                "Wayland session: pictures copied to the clipboard are saved, but hotkeys work "
                "only in X11 windows and Print Screen does not copy the screen."},
    BuiltInText{"Effects", "Current", "Current: %s"},
    BuiltInText{"AutoSave", "OptHint",
                "Click to choose options file to be used, right-click to clear"},
    BuiltInText{"Timers", "Start", "Start"},
    BuiltInText{"Timers", "Stop", "Stop"},
    BuiltInText{"Tray", "Pause", "&Pause Snaprill"},
    BuiltInText{"Tray", "Resume", "&Resume Snaprill"},
    BuiltInText{"Settings", "ImageCountConfirmation", "Are you sure?"},
    BuiltInText{"Settings", "PrintScreenCopies", "Print Screen copies the screen"},
    BuiltInText{"Settings", "OverwriteWarning",
                "Are you sure you want to enable this?\\nThis WILL overwrite images from previous "
                "runs!\\nThis setting will not be saved in snaprill.ini."},
    BuiltInText{"Error", "DiskFull", "Cannot create file. Disk may be full or read-only."},
    BuiltInText{"Error", "AVIError1", "Failed to create AVI file"},
    BuiltInText{"Error", "AVIError2", "Failed to retrieve bitmap info"},
    BuiltInText{"Error", "AVIError3", "Failed to create AVI stream"},
    BuiltInText{"Error", "AVIError4", "Failed to set AVI stream format"},
    BuiltInText{"Error", "AVIError5", "Failed to add frame to AVI"},
    BuiltInText{"Error", "AVIError6",
                "You cannot save 1-image AVI files. Image type changed to GIF."},
};

}  // namespace

const std::string* Texts::builtIn(std::string_view section, std::string_view key) {
  static const std::array<std::string, kBuiltIn.size()> strings = [] {
    std::array<std::string, kBuiltIn.size()> v;
    for (std::size_t i = 0; i < kBuiltIn.size(); ++i) v[i] = kBuiltIn[i].text;
    return v;
  }();
  for (std::size_t i = 0; i < kBuiltIn.size(); ++i) {
    if (equalsIgnoringCase(kBuiltIn[i].section, section) &&
        equalsIgnoringCase(kBuiltIn[i].key, key)) {
      return &strings[i];
    }
  }
  return nullptr;
}

const std::string& Texts::get(std::string_view section, std::string_view key) const {
  const auto it = overrides_.find(std::make_pair(lowerAscii(section), lowerAscii(key)));
  if (it != overrides_.end()) return it->second;
  static const std::string kEmpty;
  const std::string* text = builtIn(section, key);
  return text ? *text : kEmpty;
}

void Texts::set(std::string_view section, std::string_view key, std::string text) {
  overrides_[std::make_pair(lowerAscii(section), lowerAscii(key))] = std::move(text);
}

}  // namespace snaprill
