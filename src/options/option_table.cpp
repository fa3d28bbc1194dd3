// The option table: every option with its kind, default and range, and where the
// settings files hold it. Rows follow the order of Option, which is also the order
// in which a save writes the keys.
#include <climits>
#include <stdexcept>

#include "formats/modern_types.h"
#include "options/options.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

constexpr int kNoMin = INT_MIN;
constexpr int kNoMax = INT_MAX;
constexpr int kGreen = 0x008000;
constexpr int kBlack = 0x000000;

using K = OptionKind;
using T = ValueType;

constexpr const char* kSnaprill = "Snaprill";
constexpr const char* kGeneral = "General";
constexpr const char* kImages = "Images";
constexpr const char* kGif = "GIF";
constexpr const char* kTiff = "TIFF";
constexpr const char* kDim = "DimAndEffects";
constexpr const char* kAutomation = "Automation";

constexpr Setting in(const char* section, const char* key, ValueType type) {
  return Setting{section, key, type};
}
constexpr Setting kNowhere{};

constexpr OptionSpec check(Option id, const char* name, int def, Setting s = kNowhere) {
  return {id, name, K::Check, def, 0, 1, nullptr, 0, s};
}
constexpr OptionSpec number(Option id, const char* name, int def, int min, int max,
                            Setting s = kNowhere) {
  return {id, name, K::Number, def, min, max, nullptr, 0, s};
}
constexpr OptionSpec list(Option id, const char* name, int def, int entries, Setting s) {
  return {id, name, K::List, def, 0, entries, nullptr, 0, s};
}
constexpr OptionSpec text(Option id, const char* name, const char* def, int maxLength, Setting s) {
  return {id, name, K::Text, 0, 0, 0, def, maxLength, s};
}
constexpr OptionSpec colour(Option id, const char* name, int def, Setting s) {
  return {id, name, K::Colour, def, kNoMin, kNoMax, nullptr, 0, s};
}
constexpr OptionSpec shortcut(Option id, const char* name, int def, Setting s) {
  return {id, name, K::Shortcut, def, 0, 0xFFFF, nullptr, 0, s};
}
// A check box stored as 1 or 0.
constexpr OptionSpec box(Option id, const char* name, int def, const char* section,
                         const char* key) {
  return check(id, name, def, in(section, key, T::Bool));
}

const std::vector<OptionSpec> kTable = {
    // Top strip and "Snaprill" section.
    // A build without the WebP, AVIF and JPEG XL libraries offers the nine other types.
    list(Option::outputType, "outputType", kJpeg, kOfferedOutputTypeCount,
         in(kSnaprill, "ImageType", T::Index)),
    number(Option::qualityBar, "qualityBar", 90, 1, 100),
    number(Option::jpegQuality, "jpegQuality", 90, 1, 100, in(kSnaprill, "JPEGQuality", T::Int)),
    number(Option::pngLevel, "pngLevel", 9, 0, 9, in(kSnaprill, "PNGComp", T::Int)),
    // 1..100 lossy; kLosslessQuality, the bar's right end, is lossless: screenshots'
    // flat areas and text keep every pixel and still take less room than as PNG.
    number(Option::webpQuality, "webpQuality", kLosslessQuality, 1, kLosslessQuality,
           in(kSnaprill, "WebPQuality", T::Int)),
    number(Option::avifQuality, "avifQuality", 80, 1, 100, in(kSnaprill, "AVIFQuality", T::Int)),
    number(Option::jxlQuality, "jxlQuality", kLosslessQuality, 1, kLosslessQuality,
           in(kSnaprill, "JXLQuality", T::Int)),
    number(Option::windowTop, "windowTop", 0, kNoMin, kNoMax,
           in(kSnaprill, "Top", T::Int).current().atStartupOnly()),
    number(Option::windowLeft, "windowLeft", 0, kNoMin, kNoMax,
           in(kSnaprill, "Left", T::Int).current().atStartupOnly()),
    number(Option::clientHeight, "clientHeight", 348, kNoMin, kNoMax,
           in(kSnaprill, "Advanced", T::PagesShown)),
    check(Option::rememberLastNumber, "rememberLastNumber", 0,
          in(kSnaprill, "RememberLastPic", T::Bool).atStartupOnly()),
    check(Option::keepClipboardAtStart, "keepClipboardAtStart", 0,
          in(kSnaprill, "NoClearClpStart", T::Bool).atStartupOnly()),
    check(Option::keepClipboardOnResume, "keepClipboardOnResume", 0,
          in(kSnaprill, "NoClearClpResume", T::Bool).atStartupOnly()),
    check(Option::startPaused, "startPaused", 0,
          in(kSnaprill, "StartPaused", T::Bool).atStartupOnly()),
    check(Option::trayIconAlways, "trayIconAlways", 0,
          in(kSnaprill, "TrayAlways", T::Bool).atStartupOnly()),
    check(Option::runAtLogin, "runAtLogin", 0,
          in(kSnaprill, "RunAutomatically", T::Bool).atStartupOnly()),
    // Asked for again at every run: a settings file never holds it.
    check(Option::overwriteFiles, "overwriteFiles", 0),
    // Office programs offer copied cells or rich text together with a picture of
    // it: such an offer is the user's text, not a screenshot, unless this says so.
    check(Option::takeImageWithText, "takeImageWithText", 0,
          in(kSnaprill, "TakeImageWithText", T::Bool).atStartupOnly()),
    // Off for desktops where another tool already copies the screen on Print Screen.
    check(Option::printKeyCopiesScreen, "printKeyCopiesScreen", 1,
          in(kSnaprill, "PrintScreenCopies", T::Bool).atStartupOnly()),
    check(Option::historyEnabled, "historyEnabled", 1,
          in(kSnaprill, "History", T::Bool).atStartupOnly()),
    text(Option::historyNeverRead, "historyNeverRead", "", 0,
         in(kSnaprill, "HistoryNeverRead", T::String).atStartupOnly()),
    check(Option::historyOffered, "historyOffered", 0,
          in(kSnaprill, "HistoryOffered", T::Bool).atStartupOnly()),

    // "General" page.
    text(Option::outputDir, "outputDir", "", 0,
         in(kGeneral, "OutputDir", T::String).orOutputFolder()),
    check(Option::useDefaultDir, "useDefaultDir", 1),
    check(Option::useChosenDir, "useChosenDir", 0),
    text(Option::filePrefix, "filePrefix", "snp", 100, in(kGeneral, "FilenamePrefix", T::String)),
    box(Option::zeroPadNumbers, "zeroPadNumbers", 0, kGeneral, "AddZeros"),
    box(Option::captureScreenOnKey, "captureScreenOnKey", 0, kGeneral, "SimPrntScrn"),
    box(Option::captureActiveWindowOnKey, "captureActiveWindowOnKey", 0, kGeneral,
        "SimAltPrntScrn"),
    shortcut(Option::screenKey, "screenKey", 123, in(kGeneral, "PrntScrnHotKey", T::Shortcut)),
    shortcut(Option::activeWindowKey, "activeWindowKey", 122,
             in(kGeneral, "AltPrntScrnHotKey", T::Shortcut)),
    box(Option::autoSave1, "autoSave1", 0, kGeneral, "AutoSave1"),
    box(Option::autoSave2, "autoSave2", 0, kGeneral, "AutoSave2"),
    box(Option::autoSave3, "autoSave3", 0, kGeneral, "AutoSave3"),
    shortcut(Option::autoSave1Key, "autoSave1Key", 0, in(kGeneral, "HotKey1", T::Shortcut)),
    shortcut(Option::autoSave2Key, "autoSave2Key", 0, in(kGeneral, "HotKey2", T::Shortcut)),
    shortcut(Option::autoSave3Key, "autoSave3Key", 0, in(kGeneral, "HotKey3", T::Shortcut)),
    text(Option::autoSave1File, "autoSave1File", "", 0, in(kGeneral, "Options1", T::String)),
    text(Option::autoSave2File, "autoSave2File", "", 0, in(kGeneral, "Options2", T::String)),
    text(Option::autoSave3File, "autoSave3File", "", 0, in(kGeneral, "Options3", T::String)),

    // "Image" page.
    box(Option::addText, "addText", 0, kImages, "AddText"),
    text(Option::captureText, "captureText", "", 40, in(kImages, "Text", T::String)),
    list(Option::textPosition, "textPosition", 0, 6, in(kImages, "TextPos", T::Index)),
    // Black behind the green text: the same colour for both would hide the text.
    colour(Option::textBackgroundColour, "textBackgroundColour", kBlack,
           in(kImages, "TextBGColor", T::Colour).current()),
    check(Option::fillTextBackground, "fillTextBackground", 0),
    colour(Option::textColour, "textColour", kGreen, in(kImages, "TextCol", T::Colour).current()),
    // Not a font of its own: fontconfig gives the desktop's sans-serif for this name.
    text(Option::textFontName, "textFontName", "Sans Serif", 0, in(kImages, "Font", T::String)),
    number(Option::textFontSize, "textFontSize", 8, kNoMin, kNoMax,
           in(kImages, "FontSize", T::Int)),
    number(Option::textFontStyle, "textFontStyle", kTextBold, 0, 15,
           in(kImages, "FontStyle", T::FontStyle)),
    number(Option::textOffsetX, "textOffsetX", 7, kNoMin, kNoMax, in(kImages, "TextX", T::Int)),
    number(Option::textOffsetY, "textOffsetY", 4, kNoMin, kNoMax, in(kImages, "TextY", T::Int)),
    box(Option::addCursor, "addCursor", 0, kImages, "AddCursor"),
    box(Option::addOverlay, "addOverlay", 0, kImages, "AddPic"),
    number(Option::overlayX, "overlayX", 0, kNoMin, kNoMax, in(kImages, "AddPicX", T::Int)),
    number(Option::overlayY, "overlayY", 0, kNoMin, kNoMax, in(kImages, "AddPicY", T::Int)),

    // "GIF" page.
    box(Option::saveAnimation, "saveAnimation", 0, kGif, "SaveAnimation"),
    number(Option::animationFrameCount, "animationFrameCount", 2, 2, 1000,
           in(kGif, "ImageCount", T::Int)),
    number(Option::frameDelay, "frameDelay", 10, 0, 3600000, in(kGif, "Delay", T::Int)),
    box(Option::gifGrayscale, "gifGrayscale", 0, kGif, "Grayscale"),
    box(Option::optimizeAnimation, "optimizeAnimation", 1, kGif, "Optimize"),

    // "TIFF, TGA, BMP" page.
    list(Option::tiffDepth, "tiffDepth", 0, 3, in(kTiff, "TIFFBits", T::Index)),
    box(Option::targaBlackAndWhite, "targaBlackAndWhite", 0, kTiff, "TargaBW"),
    list(Option::bitmapDepth, "bitmapDepth", 0, 7, in(kTiff, "BMPBits", T::Index)),

    // "Dimensions & Effects" page.
    box(Option::crop, "crop", 0, kDim, "Crop"),
    number(Option::cropLeft, "cropLeft", 0, kNoMin, kNoMax, in(kDim, "CropLeft", T::Int)),
    number(Option::cropTop, "cropTop", 0, kNoMin, kNoMax, in(kDim, "CropTop", T::Int)),
    number(Option::cropWidth, "cropWidth", 250, kNoMin, kNoMax, in(kDim, "CropWidth", T::Int)),
    number(Option::cropHeight, "cropHeight", 100, kNoMin, kNoMax, in(kDim, "CropHeight", T::Int)),
    box(Option::autoResize, "autoResize", 0, kDim, "AutoResize"),
    number(Option::resizeWidth, "resizeWidth", 250, kNoMin, kNoMax,
           in(kDim, "ResizeWidth", T::Int)),
    number(Option::resizeHeight, "resizeHeight", 100, kNoMin, kNoMax,
           in(kDim, "ResizeHeight", T::Int)),
    box(Option::invertColours, "invertColours", 0, kDim, "Invert"),
    // Nothing reads emboss, pixelize and blur, nor their two levels, and no control
    // shows them: they change no capture. They are carried because settings files
    // hold their keys: files written by other copies of the program, which keep
    // these effects as hidden controls, and the auto-save options files users pass
    // between copies. A file loaded and saved again here gives them back unchanged.
    box(Option::emboss, "emboss", 0, kDim, "Emboss"),
    box(Option::grayscale, "grayscale", 0, kDim, "Grayscale"),
    box(Option::pixelize, "pixelize", 0, kDim, "Pixelize"),
    number(Option::pixelizeLevel, "pixelizeLevel", 0, 0, 100, in(kDim, "PixelizeLevel", T::Int)),
    box(Option::blur, "blur", 0, kDim, "Blur"),
    number(Option::blurLevel, "blurLevel", 0, 0, 100, in(kDim, "BlurLevel", T::Int)),

    // "Automation" page.
    number(Option::automationPeriod, "automationPeriod", 1, 1, 35791,
           in(kAutomation, "TimeCount", T::Int)),
    list(Option::automationUnit, "automationUnit", 1, 3, in(kAutomation, "TimeUnits", T::Index)),
    box(Option::automationStopAfter, "automationStopAfter", 0, kAutomation, "StopAfter"),
    number(Option::automationStopCount, "automationStopCount", 1, 1, 99999,
           in(kAutomation, "StopImages", T::Int)),
    box(Option::automationDelayed, "automationDelayed", 0, kAutomation, "Delay"),
    // The field holds 30000; a file without the key gives 1.
    number(Option::automationDelay, "automationDelay", 30000, kNoMin, kNoMax,
           in(kAutomation, "DelayTime", T::Int).missingGives(1)),
    box(Option::openInExternalProgram, "openInExternalProgram", 0, kAutomation, "ExtProg"),
    // The desktop's own viewer of the file's type.
    text(Option::externalProgram, "externalProgram", "xdg-open", 0,
         in(kAutomation, "ExtProgCmd", T::String).current()),
    text(Option::externalParameters, "externalParameters", "%filename", 0,
         in(kAutomation, "ExtProgParam", T::String).current()),
    list(Option::galleryAlign, "galleryAlign", 0, 3, in(kAutomation, "TableAlign", T::Index)),
    number(Option::galleryColumns, "galleryColumns", 1, 1, 50,
           in(kAutomation, "TableCols", T::Int)),
    number(Option::galleryImageWidth, "galleryImageWidth", -1, -1, 200000,
           in(kAutomation, "ImageWidth", T::Int)),
    number(Option::galleryImageHeight, "galleryImageHeight", -1, -1, 200000,
           in(kAutomation, "ImageHeight", T::Int)),
    box(Option::galleryLinks, "galleryLinks", 0, kAutomation, "Hyperlinks"),
};

}  // namespace

const std::vector<OptionSpec>& allOptionSpecs() {
  return kTable;
}

const OptionSpec& specOf(Option id) {
  const auto i = static_cast<std::size_t>(id);
  if (i >= kTable.size() || kTable[i].id != id) throw std::logic_error("option table out of order");
  return kTable[i];
}

}  // namespace snaprill
