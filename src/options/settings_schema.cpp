#include "options/settings_schema.h"

#include "base/text.h"

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

constexpr SettingKey key(const char* section, const char* name, T type, Option control, int def) {
  return {section, name, type, control, F::Fixed, def, nullptr, false, kRestStep, false, S::None};
}
constexpr SettingKey text(const char* section, const char* name, Option control, const char* def) {
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
    key(kSnaprill, "ImageType", T::Index, Option::outputType, 0).step(kTypeStep).is(S::OutputType),
    key(kSnaprill, "JPEGQuality", T::Int, Option::jpegQuality, 90).step(kQualityStep),
    key(kSnaprill, "PNGComp", T::Int, Option::pngLevel, 9).step(kQualityStep),
    key(kSnaprill, "Top", T::Int, Option::windowTop, 0)
        .or_(F::Current)
        .full()
        .step(kStartupStep)
        .is(S::WindowTop),
    key(kSnaprill, "Left", T::Int, Option::windowLeft, 0).or_(F::Current).full().step(kStartupStep),
    key(kSnaprill, "Advanced", T::Int, Option::clientHeight, 1).step(kTypeStep).is(S::Advanced),
    key(kSnaprill, "RememberLastPic", T::Bool, Option::rememberLastNumber, 0)
        .full()
        .step(kStartupStep),
    key(kSnaprill, "LastPic", T::Int, kNoOption, 0).full().step(kStartupStep).is(S::LastPic),
    key(kSnaprill, "NoClearClpStart", T::Bool, Option::keepClipboardAtStart, 0)
        .full()
        .step(kStartupStep),
    key(kSnaprill, "NoClearClpResume", T::Bool, Option::keepClipboardOnResume, 0)
        .full()
        .step(kStartupStep),
    key(kSnaprill, "StartPaused", T::Bool, Option::startPaused, 0)
        .full()
        .step(kStartupStep)
        .is(S::StartPaused),
    key(kSnaprill, "TrayAlways", T::Bool, Option::trayIconAlways, 0)
        .full()
        .step(kStartupStep)
        .is(S::TrayAlways),
    key(kSnaprill, "RunAutomatically", T::Bool, Option::runAtLogin, 0).full().step(kStartupStep),
    // Office programs offer copied cells or rich text together with a picture of it:
    // such an offer is the user's text, not a screenshot, unless this says otherwise.
    key(kSnaprill, "TakeImageWithText", T::Bool, Option::takeImageWithText, 0)
        .full()
        .step(kStartupStep),
    // Off for desktops where another tool already copies the screen on Print Screen.
    key(kSnaprill, "PrintScreenCopies", T::Bool, Option::printKeyCopiesScreen, 1)
        .full()
        .step(kStartupStep),

    text(kGeneral, "OutputDir", Option::outputDir, "").or_(F::OutputFolder).is(S::OutputDir),
    text(kGeneral, "FilenamePrefix", Option::filePrefix, "snp").is(S::Prefix),
    key(kGeneral, "AddZeros", T::Bool, Option::zeroPadNumbers, 0),
    key(kGeneral, "SimPrntScrn", T::Bool, Option::captureScreenOnKey, 0),
    key(kGeneral, "SimAltPrntScrn", T::Bool, Option::captureActiveWindowOnKey, 0),
    key(kGeneral, "PrntScrnHotKey", T::Shortcut, Option::screenKey, 123),
    key(kGeneral, "AltPrntScrnHotKey", T::Shortcut, Option::activeWindowKey, 122)
        .is(S::CaptureHotkeys),
    key(kGeneral, "AutoSave1", T::Bool, Option::autoSave1, 0),
    key(kGeneral, "AutoSave2", T::Bool, Option::autoSave2, 0),
    key(kGeneral, "AutoSave3", T::Bool, Option::autoSave3, 0),
    key(kGeneral, "HotKey1", T::Shortcut, Option::autoSave1Key, 0),
    key(kGeneral, "HotKey2", T::Shortcut, Option::autoSave2Key, 0),
    key(kGeneral, "HotKey3", T::Shortcut, Option::autoSave3Key, 0),
    text(kGeneral, "Options1", Option::autoSave1File, ""),
    text(kGeneral, "Options2", Option::autoSave2File, ""),
    text(kGeneral, "Options3", Option::autoSave3File, ""),

    key(kImages, "AddText", T::Bool, Option::addText, 0),
    text(kImages, "Text", Option::captureText, ""),
    key(kImages, "TextPos", T::Index, Option::textPosition, 0),
    key(kImages, "TextBGColor", T::Colour, Option::textBackgroundColour, 0).or_(F::Current),
    key(kImages, "TextCol", T::Colour, Option::textColour, 0).or_(F::Current),
    text(kImages, "Font", Option::textFontName, "MS Sans Serif"),
    key(kImages, "FontSize", T::Int, Option::textFontSize, 8),
    text(kImages, "FontStyle", Option::textFontStyle, "b").is(S::FontStyle),
    key(kImages, "TextX", T::Int, Option::textOffsetX, 7),
    key(kImages, "TextY", T::Int, Option::textOffsetY, 4),
    key(kImages, "AddCursor", T::Bool, Option::addCursor, 0),
    key(kImages, "AddPic", T::Bool, Option::addOverlay, 0).is(S::AddPic),
    key(kImages, "AddPicX", T::Int, Option::overlayX, 0).is(S::AddPicX),
    key(kImages, "AddPicY", T::Int, Option::overlayY, 0),

    key(kGif, "SaveAnimation", T::Bool, Option::saveAnimation, 0).afterNext(),
    key(kGif, "ImageCount", T::Int, Option::animationFrameCount, 2).is(S::ImageCount),
    key(kGif, "Delay", T::Int, Option::frameDelay, 10),
    key(kGif, "Grayscale", T::Bool, Option::gifGrayscale, 0),
    key(kGif, "Optimize", T::Bool, Option::optimizeAnimation, 1),

    key(kTiff, "TIFFBits", T::Index, Option::tiffDepth, 0),
    key(kTiff, "TargaBW", T::Bool, Option::targaBlackAndWhite, 0),
    key(kTiff, "BMPBits", T::Index, Option::bitmapDepth, 0),

    key(kDim, "Crop", T::Bool, Option::crop, 0),
    key(kDim, "CropLeft", T::Int, Option::cropLeft, 0),
    key(kDim, "CropTop", T::Int, Option::cropTop, 0),
    key(kDim, "CropWidth", T::Int, Option::cropWidth, 250),
    key(kDim, "CropHeight", T::Int, Option::cropHeight, 100),
    key(kDim, "AutoResize", T::Bool, Option::autoResize, 0),
    key(kDim, "ResizeWidth", T::Int, Option::resizeWidth, 250),
    key(kDim, "ResizeHeight", T::Int, Option::resizeHeight, 100),
    key(kDim, "Invert", T::Bool, Option::invertColours, 0),
    key(kDim, "Emboss", T::Bool, Option::emboss, 0),
    key(kDim, "Grayscale", T::Bool, Option::grayscale, 0),
    key(kDim, "Pixelize", T::Bool, Option::pixelize, 0),
    key(kDim, "PixelizeLevel", T::Int, Option::pixelizeLevel, 0),
    key(kDim, "Blur", T::Bool, Option::blur, 0),
    key(kDim, "BlurLevel", T::Int, Option::blurLevel, 0).is(S::LevelCaptions),

    key(kAutomation, "TimeCount", T::Int, Option::automationPeriod, 1),
    key(kAutomation, "TimeUnits", T::Index, Option::automationUnit, 1),
    key(kAutomation, "StopAfter", T::Bool, Option::automationStopAfter, 0),
    key(kAutomation, "StopImages", T::Int, Option::automationStopCount, 1),
    key(kAutomation, "Delay", T::Bool, Option::automationDelayed, 0),
    // The form holds 30000; a file without the key gives 1.
    key(kAutomation, "DelayTime", T::Int, Option::automationDelay, 1),
    key(kAutomation, "ExtProg", T::Bool, Option::openInExternalProgram, 0),
    text(kAutomation, "ExtProgCmd", Option::externalProgram, "").or_(F::Current),
    text(kAutomation, "ExtProgParam", Option::externalParameters, "").or_(F::Current),
    key(kAutomation, "TableAlign", T::Index, Option::galleryAlign, 0),
    key(kAutomation, "TableCols", T::Int, Option::galleryColumns, 1),
    key(kAutomation, "ImageWidth", T::Int, Option::galleryImageWidth, -1).afterNext(),
    key(kAutomation, "ImageHeight", T::Int, Option::galleryImageHeight, -1),
    key(kAutomation, "Hyperlinks", T::Bool, Option::galleryLinks, 0),

    text(kLanguage, "LangFile", kNoOption, "")
        .or_(F::LanguageFile)
        .full()
        .step(kLanguageStep)
        .is(S::LanguageFile),
};

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
