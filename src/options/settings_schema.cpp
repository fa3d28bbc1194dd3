#include "options/settings_schema.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace snaprill {

namespace {

using T = ValueType;
using F = Fallback;
using S = Special;

// Load steps: the language file, then the start-up keys of "Snaprill", then the two
// qualities before the type that shows one of them, then everything else.
constexpr int kLanguageStep = 0;
constexpr int kStartupStep = 1;
constexpr int kQualityStep = 2;
constexpr int kTypeStep = 3;
constexpr int kRestStep = 4;

constexpr SettingKey key(const char* section, const char* name, T type, C control, int def) {
  return {section, name, type, control, F::Fixed, def, nullptr, false, kRestStep, false, S::None};
}
constexpr SettingKey text(const char* section, const char* name, C control, const char* def) {
  return {section, name, T::String, control, F::Fixed, 0, def, false, kRestStep, false, S::None};
}

constexpr const char* kSnaprill = "Snaprill";
constexpr const char* kGeneral = "General";
constexpr const char* kImages = "Images";
constexpr const char* kGif = "GIF";
constexpr const char* kTiff = "TIFF";
constexpr const char* kDim = "DimAndEffects";
constexpr const char* kAutomation = "Automation";
constexpr const char* kLanguage = "Language";

constexpr std::array kSchema = {
    key(kSnaprill, "ImageType", T::Index, C::tyyp, 0).step(kTypeStep).is(S::ImageType),
    key(kSnaprill, "JPEGQuality", T::Int, C::JpegQuality, 90).step(kQualityStep),
    key(kSnaprill, "PNGComp", T::Int, C::PngLevel, 9).step(kQualityStep),
    key(kSnaprill, "Top", T::Int, C::FormTop, 0)
        .or_(F::Current)
        .full()
        .step(kStartupStep)
        .is(S::WindowTop),
    key(kSnaprill, "Left", T::Int, C::FormLeft, 0).or_(F::Current).full().step(kStartupStep),
    key(kSnaprill, "Advanced", T::Int, C::ClientHeight, 1).step(kTypeStep).is(S::Advanced),
    key(kSnaprill, "RememberLastPic", T::Bool, C::savelastpic, 0).full().step(kStartupStep),
    key(kSnaprill, "LastPic", T::Int, kNoControl, 0).full().step(kStartupStep).is(S::LastPic),
    key(kSnaprill, "NoClearClpStart", T::Bool, C::noclipstart, 0).full().step(kStartupStep),
    key(kSnaprill, "NoClearClpResume", T::Bool, C::noclipresume, 0).full().step(kStartupStep),
    key(kSnaprill, "StartPaused", T::Bool, C::pauseafterstart, 0)
        .full()
        .step(kStartupStep)
        .is(S::StartPaused),
    key(kSnaprill, "TrayAlways", T::Bool, C::ikoon_alati, 0)
        .full()
        .step(kStartupStep)
        .is(S::TrayAlways),
    key(kSnaprill, "RunAutomatically", T::Bool, C::run_autom, 0).full().step(kStartupStep),

    text(kGeneral, "OutputDir", C::OutputDir, "").or_(F::OutputFolder).is(S::OutputDir),
    text(kGeneral, "FilenamePrefix", C::Edit3, "snp").is(S::Prefix),
    key(kGeneral, "AddZeros", T::Bool, C::addzeros, 0),
    key(kGeneral, "SimPrntScrn", T::Bool, C::simulate, 0),
    key(kGeneral, "SimAltPrntScrn", T::Bool, C::aktiivneaken, 0),
    key(kGeneral, "PrntScrnHotKey", T::Shortcut, C::hotkey2, 123),
    key(kGeneral, "AltPrntScrnHotKey", T::Shortcut, C::hotkey1, 122).is(S::CaptureHotkeys),
    key(kGeneral, "AutoSave1", T::Bool, C::h1, 0),
    key(kGeneral, "AutoSave2", T::Bool, C::h2, 0),
    key(kGeneral, "AutoSave3", T::Bool, C::h3, 0),
    key(kGeneral, "HotKey1", T::Shortcut, C::hk1, 0),
    key(kGeneral, "HotKey2", T::Shortcut, C::hk2, 0),
    key(kGeneral, "HotKey3", T::Shortcut, C::hk3, 0),
    text(kGeneral, "Options1", C::opt1, ""),
    text(kGeneral, "Options2", C::opt2, ""),
    text(kGeneral, "Options3", C::opt3, ""),

    key(kImages, "AddText", T::Bool, C::addtext, 0),
    text(kImages, "Text", C::Edit2, ""),
    key(kImages, "TextPos", T::Index, C::tekstiasukoht, 0),
    key(kImages, "TextBGColor", T::Colour, C::taustav2rv, 0).or_(F::Current),
    key(kImages, "TextCol", T::Colour, C::FontColour, 0).or_(F::Current),
    text(kImages, "Font", C::FontName, "MS Sans Serif"),
    key(kImages, "FontSize", T::Int, C::FontSize, 8),
    text(kImages, "FontStyle", C::FontStyle, "b").is(S::FontStyle),
    key(kImages, "TextX", T::Int, C::X, 7),
    key(kImages, "TextY", T::Int, C::Y, 4),
    key(kImages, "AddCursor", T::Bool, C::lisakursor, 0),
    key(kImages, "AddPic", T::Bool, C::addpic, 0).is(S::AddPic),
    key(kImages, "AddPicX", T::Int, C::addpic_x, 0).is(S::AddPicX),
    key(kImages, "AddPicY", T::Int, C::addpic_y, 0),

    key(kGif, "SaveAnimation", T::Bool, C::saveanimation, 0).afterNext(),
    key(kGif, "ImageCount", T::Int, C::SpinEdit1, 2).is(S::ImageCount),
    key(kGif, "Delay", T::Int, C::SpinEdit2, 10),
    key(kGif, "Grayscale", T::Bool, C::geiskaala, 0),
    key(kGif, "Optimize", T::Bool, C::optimize, 1),

    key(kTiff, "TIFFBits", T::Index, C::bitid, 0),
    key(kTiff, "TargaBW", T::Bool, C::blackandwhite, 0),
    key(kTiff, "BMPBits", T::Index, C::bitmappix, 0),

    key(kDim, "Crop", T::Bool, C::l6ikapilti, 0),
    key(kDim, "CropLeft", T::Int, C::aknavasak, 0),
    key(kDim, "CropTop", T::Int, C::aknaylevalt, 0),
    key(kDim, "CropWidth", T::Int, C::aknalaius, 250),
    key(kDim, "CropHeight", T::Int, C::aknak6rgus, 100),
    key(kDim, "AutoResize", T::Bool, C::resizeautom, 0),
    key(kDim, "ResizeWidth", T::Int, C::pildilaius, 250),
    key(kDim, "ResizeHeight", T::Int, C::pildik6rgus, 100),
    key(kDim, "Invert", T::Bool, C::invertcolors, 0),
    key(kDim, "Emboss", T::Bool, C::emboss, 0),
    key(kDim, "Grayscale", T::Bool, C::grayscale, 0),
    key(kDim, "Pixelize", T::Bool, C::pixelize, 0),
    key(kDim, "PixelizeLevel", T::Int, C::pixlev, 0),
    key(kDim, "Blur", T::Bool, C::blur, 0),
    key(kDim, "BlurLevel", T::Int, C::blurlev, 0).is(S::LevelCaptions),

    key(kAutomation, "TimeCount", T::Int, C::taimeriaeg, 1),
    key(kAutomation, "TimeUnits", T::Index, C::ajakast, 1),
    key(kAutomation, "StopAfter", T::Bool, C::l6petap2rast, 0),
    key(kAutomation, "StopImages", T::Int, C::l6petapildid, 1),
    key(kAutomation, "Delay", T::Bool, C::p2rast, 0),
    // The form holds 30000; a file without the key gives 1.
    key(kAutomation, "DelayTime", T::Int, C::p2rast_aeg, 1),
    key(kAutomation, "ExtProg", T::Bool, C::openimages, 0),
    text(kAutomation, "ExtProgCmd", C::proge, "").or_(F::Current),
    text(kAutomation, "ExtProgParam", C::parameetrid, "").or_(F::Current),
    key(kAutomation, "TableAlign", T::Index, C::align, 0),
    key(kAutomation, "TableCols", T::Int, C::tablecol, 1),
    key(kAutomation, "ImageWidth", T::Int, C::imwidth, -1).afterNext(),
    key(kAutomation, "ImageHeight", T::Int, C::imheight, -1),
    key(kAutomation, "Hyperlinks", T::Bool, C::hyperlinks, 0),

    text(kLanguage, "LangFile", kNoControl, "")
        .or_(F::LanguageFile)
        .full()
        .step(kLanguageStep)
        .is(S::LanguageFile),
};

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return lower(x) == lower(y);
  });
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::span<const SettingKey> settingsSchema() {
  return kSchema;
}

const std::vector<const SettingKey*>& settingsLoadOrder() {
  static const std::vector<const SettingKey*> order = [] {
    // Rank 2i for row i; a row read after its successor takes 2(i+1)+1.
    std::vector<std::pair<long, const SettingKey*>> ranked;
    for (std::size_t i = 0; i < kSchema.size(); ++i) {
      const SettingKey& k = kSchema[i];
      const long position = 2 * static_cast<long>(i) + (k.loadAfterNext ? 3 : 0);
      ranked.emplace_back(k.loadStep * 1000L + position, &k);
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const SettingKey*> keys;
    for (const auto& r : ranked) keys.push_back(r.second);
    return keys;
  }();
  return order;
}

const SettingKey* findSetting(std::string_view section, std::string_view name) {
  for (const SettingKey& k : kSchema) {
    if (equalsIgnoringCase(k.section, section) && equalsIgnoringCase(k.key, name)) return &k;
  }
  return nullptr;
}

std::optional<int> parseSettingsInt(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    std::uint64_t v = 0;
    for (char c : s.substr(2)) {
      const int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return std::nullopt;
  return static_cast<int>(v);
}

int fontStyleFromLetters(std::string_view letters) {
  int style = 0;
  for (char c : letters) {
    switch (c) {
      case 'b':
      case 'B':
        style |= kBold;
        break;
      case 'i':
      case 'I':
        style |= kItalic;
        break;
      case 'u':
      case 'U':
        style |= kUnderline;
        break;
      case 's':
      case 'S':
        style |= kStrikeOut;
        break;
      default:
        break;
    }
  }
  return style;
}

std::string fontStyleLetters(int style) {
  std::string letters;
  if (style & kBold) letters += 'b';
  if (style & kItalic) letters += 'i';
  if (style & kUnderline) letters += 'u';
  if (style & kStrikeOut) letters += 's';
  return letters;
}

}  // namespace snaprill
