#include "options/options.h"

#include "options/file_prefix.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace snaprill {

namespace {

constexpr int kNoMin = INT_MIN;
constexpr int kNoMax = INT_MAX;
constexpr int kGreen = 0x008000;

using K = OptionKind;

// The defaults; settings defaults that differ from them live in the settings schema.
const std::vector<OptionSpec> kSpecs = {
    {Option::outputType, "outputType", K::List, 0, 0, 9, nullptr, 0},
    {Option::qualityBar, "qualityBar", K::Number, 90, 1, 100, nullptr, 0},
    {Option::jpegQuality, "jpegQuality", K::Number, 90, 1, 100, nullptr, 0},
    {Option::pngLevel, "pngLevel", K::Number, 9, 0, 9, nullptr, 0},
    {Option::windowTop, "windowTop", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::windowLeft, "windowLeft", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::clientHeight, "clientHeight", K::Number, 348, kNoMin, kNoMax, nullptr, 0},
    {Option::rememberLastNumber, "rememberLastNumber", K::Check, 0, 0, 1, nullptr, 0},
    {Option::keepClipboardAtStart, "keepClipboardAtStart", K::Check, 0, 0, 1, nullptr, 0},
    {Option::keepClipboardOnResume, "keepClipboardOnResume", K::Check, 0, 0, 1, nullptr, 0},
    {Option::startPaused, "startPaused", K::Check, 0, 0, 1, nullptr, 0},
    {Option::trayIconAlways, "trayIconAlways", K::Check, 0, 0, 1, nullptr, 0},
    {Option::runAtLogin, "runAtLogin", K::Check, 0, 0, 1, nullptr, 0},
    {Option::overwriteFiles, "overwriteFiles", K::Check, 0, 0, 1, nullptr, 0},
    {Option::takeImageWithText, "takeImageWithText", K::Check, 0, 0, 1, nullptr, 0},
    {Option::printKeyCopiesScreen, "printKeyCopiesScreen", K::Check, 1, 0, 1, nullptr, 0},
    {Option::outputDir, "outputDir", K::Text, 0, 0, 0, "", 0},
    {Option::useDefaultDir, "useDefaultDir", K::Check, 1, 0, 1, nullptr, 0},
    {Option::useChosenDir, "useChosenDir", K::Check, 0, 0, 1, nullptr, 0},
    {Option::filePrefix, "filePrefix", K::Text, 0, 0, 0, "snp", 100},
    {Option::zeroPadNumbers, "zeroPadNumbers", K::Check, 0, 0, 1, nullptr, 0},
    {Option::captureScreenOnKey, "captureScreenOnKey", K::Check, 0, 0, 1, nullptr, 0},
    {Option::captureActiveWindowOnKey, "captureActiveWindowOnKey", K::Check, 0, 0, 1, nullptr, 0},
    {Option::screenKey, "screenKey", K::Shortcut, 123, 0, 0xFFFF, nullptr, 0},
    {Option::activeWindowKey, "activeWindowKey", K::Shortcut, 122, 0, 0xFFFF, nullptr, 0},
    {Option::autoSave1, "autoSave1", K::Check, 0, 0, 1, nullptr, 0},
    {Option::autoSave2, "autoSave2", K::Check, 0, 0, 1, nullptr, 0},
    {Option::autoSave3, "autoSave3", K::Check, 0, 0, 1, nullptr, 0},
    {Option::autoSave1Key, "autoSave1Key", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {Option::autoSave2Key, "autoSave2Key", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {Option::autoSave3Key, "autoSave3Key", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {Option::autoSave1File, "autoSave1File", K::Text, 0, 0, 0, "", 0},
    {Option::autoSave2File, "autoSave2File", K::Text, 0, 0, 0, "", 0},
    {Option::autoSave3File, "autoSave3File", K::Text, 0, 0, 0, "", 0},
    {Option::addText, "addText", K::Check, 0, 0, 1, nullptr, 0},
    {Option::captureText, "captureText", K::Text, 0, 0, 0, "", 40},
    {Option::textPosition, "textPosition", K::List, 0, 0, 6, nullptr, 0},
    {Option::textBackgroundColour, "textBackgroundColour", K::Colour, kGreen, kNoMin, kNoMax,
     nullptr, 0},
    {Option::fillTextBackground, "fillTextBackground", K::Check, 0, 0, 1, nullptr, 0},
    {Option::textColour, "textColour", K::Colour, kGreen, kNoMin, kNoMax, nullptr, 0},
    {Option::textFontName, "textFontName", K::Text, 0, 0, 0, "MS Sans Serif", 0},
    {Option::textFontSize, "textFontSize", K::Number, 8, kNoMin, kNoMax, nullptr, 0},
    {Option::textFontStyle, "textFontStyle", K::Number, kBold, 0, 15, nullptr, 0},
    {Option::textOffsetX, "textOffsetX", K::Number, 7, kNoMin, kNoMax, nullptr, 0},
    {Option::textOffsetY, "textOffsetY", K::Number, 4, kNoMin, kNoMax, nullptr, 0},
    {Option::addCursor, "addCursor", K::Check, 0, 0, 1, nullptr, 0},
    {Option::addOverlay, "addOverlay", K::Check, 0, 0, 1, nullptr, 0},
    {Option::overlayX, "overlayX", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::overlayY, "overlayY", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::saveAnimation, "saveAnimation", K::Check, 0, 0, 1, nullptr, 0},
    {Option::animationFrameCount, "animationFrameCount", K::Number, 2, 2, 1000, nullptr, 0},
    {Option::frameDelay, "frameDelay", K::Number, 10, 0, 3600000, nullptr, 0},
    {Option::gifGrayscale, "gifGrayscale", K::Check, 0, 0, 1, nullptr, 0},
    {Option::optimizeAnimation, "optimizeAnimation", K::Check, 1, 0, 1, nullptr, 0},
    {Option::tiffDepth, "tiffDepth", K::List, 0, 0, 3, nullptr, 0},
    {Option::targaBlackAndWhite, "targaBlackAndWhite", K::Check, 0, 0, 1, nullptr, 0},
    {Option::bitmapDepth, "bitmapDepth", K::List, 0, 0, 7, nullptr, 0},
    {Option::crop, "crop", K::Check, 0, 0, 1, nullptr, 0},
    {Option::cropLeft, "cropLeft", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::cropTop, "cropTop", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {Option::cropWidth, "cropWidth", K::Number, 250, kNoMin, kNoMax, nullptr, 0},
    {Option::cropHeight, "cropHeight", K::Number, 100, kNoMin, kNoMax, nullptr, 0},
    {Option::autoResize, "autoResize", K::Check, 0, 0, 1, nullptr, 0},
    {Option::resizeWidth, "resizeWidth", K::Number, 250, kNoMin, kNoMax, nullptr, 0},
    {Option::resizeHeight, "resizeHeight", K::Number, 100, kNoMin, kNoMax, nullptr, 0},
    {Option::invertColours, "invertColours", K::Check, 0, 0, 1, nullptr, 0},
    {Option::emboss, "emboss", K::Check, 0, 0, 1, nullptr, 0},
    {Option::grayscale, "grayscale", K::Check, 0, 0, 1, nullptr, 0},
    {Option::pixelize, "pixelize", K::Check, 0, 0, 1, nullptr, 0},
    {Option::pixelizeLevel, "pixelizeLevel", K::Number, 0, 0, 100, nullptr, 0},
    {Option::blur, "blur", K::Check, 0, 0, 1, nullptr, 0},
    {Option::blurLevel, "blurLevel", K::Number, 0, 0, 100, nullptr, 0},
    {Option::automationPeriod, "automationPeriod", K::Number, 1, 1, 35791, nullptr, 0},
    {Option::automationUnit, "automationUnit", K::List, 1, 0, 3, nullptr, 0},
    {Option::automationStopAfter, "automationStopAfter", K::Check, 0, 0, 1, nullptr, 0},
    {Option::automationStopCount, "automationStopCount", K::Number, 1, 1, 99999, nullptr, 0},
    {Option::automationDelayed, "automationDelayed", K::Check, 0, 0, 1, nullptr, 0},
    {Option::automationDelay, "automationDelay", K::Number, 30000, kNoMin, kNoMax, nullptr, 0},
    {Option::openInExternalProgram, "openInExternalProgram", K::Check, 0, 0, 1, nullptr, 0},
    {Option::externalProgram, "externalProgram", K::Text, 0, 0, 0, "mspaint.exe", 0},
    {Option::externalParameters, "externalParameters", K::Text, 0, 0, 0, "%filename", 0},
    {Option::galleryAlign, "galleryAlign", K::List, 0, 0, 3, nullptr, 0},
    {Option::galleryColumns, "galleryColumns", K::Number, 1, 1, 50, nullptr, 0},
    {Option::galleryImageWidth, "galleryImageWidth", K::Number, -1, -1, 200000, nullptr, 0},
    {Option::galleryImageHeight, "galleryImageHeight", K::Number, -1, -1, 200000, nullptr, 0},
    {Option::galleryLinks, "galleryLinks", K::Check, 0, 0, 1, nullptr, 0},
};

// Cuts a UTF-8 string to at most n characters without splitting one.
std::string cutToCharacters(std::string_view s, int n) {
  int count = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0u) != 0x80u) {
      if (count == n) return std::string(s.substr(0, i));
      ++count;
    }
  }
  return std::string(s);
}

// The crop and resize fields have no limits of their own, but share a change
// handler that puts a negative value back to 0 (typed or written back by the area
// chooser).
bool resetsNegativeToZero(Option id) {
  switch (id) {
    case Option::cropLeft:
    case Option::cropTop:
    case Option::cropWidth:
    case Option::cropHeight:
    case Option::resizeWidth:
    case Option::resizeHeight:
      return true;
    default:
      return false;
  }
}

bool takesPartInHotkeyCheck(Option id) {
  switch (id) {
    case Option::captureScreenOnKey:
    case Option::captureActiveWindowOnKey:
    case Option::activeWindowKey:
    case Option::screenKey:
    case Option::autoSave1Key:
    case Option::autoSave2Key:
    case Option::autoSave3Key:
      return true;
    default:
      return false;
  }
}

}  // namespace

const std::vector<OptionSpec>& allOptionSpecs() {
  return kSpecs;
}

const OptionSpec& specOf(Option id) {
  const auto i = static_cast<std::size_t>(id);
  if (i >= kSpecs.size() || kSpecs[i].id != id) throw std::logic_error("option table out of order");
  return kSpecs[i];
}

Options::Options()
    : values_(kSpecs.size()),
      texts_(kSpecs.size()),
      mins_(kSpecs.size()),
      maxs_(kSpecs.size()),
      enabled_(kSpecs.size(), true),
      watchers_(kSpecs.size()) {
  static_assert(kOptionCount > 0);
  if (kSpecs.size() != static_cast<std::size_t>(kOptionCount)) {
    throw std::logic_error("option table incomplete");
  }
  resetToDefaults();
}

void Options::resetToDefaults() {
  for (const OptionSpec& s : kSpecs) {
    const std::size_t i = index(s.id);
    values_[i] = s.defaultValue;
    texts_[i] = s.defaultText ? s.defaultText : "";
    mins_[i] = s.min;
    maxs_[i] = s.max;
  }
}

void Options::setValue(Option id, long long v) {
  const OptionSpec& s = specOf(id);
  const std::size_t i = index(id);
  long long next = v;
  switch (s.kind) {
    case OptionKind::Check:
      next = v != 0 ? 1 : 0;
      break;
    case OptionKind::List:
      if (v < 0 || v >= maxs_[i]) next = -1;
      break;
    case OptionKind::Number:
      next = std::clamp<long long>(v, mins_[i], maxs_[i]);
      if (next < 0 && resetsNegativeToZero(id)) next = 0;
      break;
    case OptionKind::Shortcut:
      next = v & 0xFFFF;
      break;
    case OptionKind::Colour:
      next = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
      break;
    case OptionKind::Text:
      throw std::logic_error("setValue on a text option");
  }
  if (values_[i] == next) return;
  values_[i] = static_cast<int>(next);
  changed(id);
}

void Options::setText(Option id, std::string_view text) {
  const OptionSpec& s = specOf(id);
  if (s.kind != OptionKind::Text) throw std::logic_error("setText on a non-text option");
  const std::size_t i = index(id);
  std::string next = s.maxLength > 0 ? cutToCharacters(text, s.maxLength) : std::string(text);
  if (id == Option::filePrefix) next = withoutForbiddenCharacters(next);
  if (texts_[i] == next) return;
  texts_[i] = std::move(next);
  changed(id);
}

void Options::setRange(Option id, int min, int max) {
  const std::size_t i = index(id);
  mins_[i] = min;
  maxs_[i] = max;
  const int clamped = std::clamp(values_[i], min, max);
  if (clamped != values_[i]) {
    values_[i] = clamped;
    changed(id);
  }
}

Options::WatchId Options::watch(Option id, std::function<void()> reaction) {
  return WatchId{id, watchers_[index(id)].add(std::move(reaction))};
}

void Options::unwatch(WatchId watch) {
  watchers_[index(watch.option)].remove(watch.id);
}

void Options::hotkeyConflictCheck() {
  const bool sameKey =
      (value(Option::activeWindowKey) & 0xFFFF) == (value(Option::screenKey) & 0xFFFF);
  if (sameKey && checked(Option::captureScreenOnKey) && checked(Option::captureActiveWindowOnKey)) {
    setChecked(Option::captureScreenOnKey, false);
    setChecked(Option::captureActiveWindowOnKey, false);
  }
}

void Options::changed(Option id) {
  if (!hotkeyCheckDeferred_ && takesPartInHotkeyCheck(id)) hotkeyConflictCheck();
  watchers_[index(id)].callAll();
}

}  // namespace snaprill
