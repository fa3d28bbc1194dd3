#include "options/options.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace snaprill {

namespace {

constexpr int kNoMin = INT_MIN;
constexpr int kNoMax = INT_MAX;
constexpr int kGreen = 0x008000;

using K = ControlKind;

// The form's values; settings defaults that differ from them live in the schema.
const std::vector<ControlSpec> kSpecs = {
    {C::tyyp, "tyyp", K::List, 0, 0, 9, nullptr, 0},
    {C::Spin, "Spin", K::Number, 90, 1, 100, nullptr, 0},
    {C::JpegQuality, "JpegQuality", K::Number, 90, kNoMin, kNoMax, nullptr, 0},
    {C::PngLevel, "PngLevel", K::Number, 9, kNoMin, kNoMax, nullptr, 0},
    {C::FormTop, "FormTop", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::FormLeft, "FormLeft", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::ClientHeight, "ClientHeight", K::Number, 348, kNoMin, kNoMax, nullptr, 0},
    {C::savelastpic, "savelastpic", K::Check, 0, 0, 1, nullptr, 0},
    {C::noclipstart, "noclipstart", K::Check, 0, 0, 1, nullptr, 0},
    {C::noclipresume, "noclipresume", K::Check, 0, 0, 1, nullptr, 0},
    {C::pauseafterstart, "pauseafterstart", K::Check, 0, 0, 1, nullptr, 0},
    {C::ikoon_alati, "ikoon_alati", K::Check, 0, 0, 1, nullptr, 0},
    {C::run_autom, "run_autom", K::Check, 0, 0, 1, nullptr, 0},
    {C::overwrite, "overwrite", K::Check, 0, 0, 1, nullptr, 0},
    {C::OutputDir, "OutputDir", K::Text, 0, 0, 0, "", 0},
    {C::defaultDir, "default", K::Check, 1, 0, 1, nullptr, 0},
    {C::userDir, "user", K::Check, 0, 0, 1, nullptr, 0},
    {C::Edit3, "Edit3", K::Text, 0, 0, 0, "snp", 100},
    {C::addzeros, "addzeros", K::Check, 0, 0, 1, nullptr, 0},
    {C::simulate, "simulate", K::Check, 0, 0, 1, nullptr, 0},
    {C::aktiivneaken, "aktiivneaken", K::Check, 0, 0, 1, nullptr, 0},
    {C::hotkey2, "hotkey2", K::Shortcut, 123, 0, 0xFFFF, nullptr, 0},
    {C::hotkey1, "hotkey1", K::Shortcut, 122, 0, 0xFFFF, nullptr, 0},
    {C::h1, "h1", K::Check, 0, 0, 1, nullptr, 0},
    {C::h2, "h2", K::Check, 0, 0, 1, nullptr, 0},
    {C::h3, "h3", K::Check, 0, 0, 1, nullptr, 0},
    {C::hk1, "hk1", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {C::hk2, "hk2", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {C::hk3, "hk3", K::Shortcut, 0, 0, 0xFFFF, nullptr, 0},
    {C::opt1, "opt1", K::Text, 0, 0, 0, "", 0},
    {C::opt2, "opt2", K::Text, 0, 0, 0, "", 0},
    {C::opt3, "opt3", K::Text, 0, 0, 0, "", 0},
    {C::addtext, "addtext", K::Check, 0, 0, 1, nullptr, 0},
    {C::Edit2, "Edit2", K::Text, 0, 0, 0, "", 40},
    {C::tekstiasukoht, "tekstiasukoht", K::List, 0, 0, 6, nullptr, 0},
    {C::taustav2rv, "taustav2rv", K::Colour, kGreen, kNoMin, kNoMax, nullptr, 0},
    {C::background, "background", K::Check, 0, 0, 1, nullptr, 0},
    {C::FontColour, "FontColour", K::Colour, kGreen, kNoMin, kNoMax, nullptr, 0},
    {C::FontName, "FontName", K::Text, 0, 0, 0, "MS Sans Serif", 0},
    {C::FontSize, "FontSize", K::Number, 8, kNoMin, kNoMax, nullptr, 0},
    {C::FontStyle, "FontStyle", K::Number, kBold, 0, 15, nullptr, 0},
    {C::X, "X", K::Number, 7, kNoMin, kNoMax, nullptr, 0},
    {C::Y, "Y", K::Number, 4, kNoMin, kNoMax, nullptr, 0},
    {C::lisakursor, "lisakursor", K::Check, 0, 0, 1, nullptr, 0},
    {C::addpic, "addpic", K::Check, 0, 0, 1, nullptr, 0},
    {C::addpic_x, "addpic_x", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::addpic_y, "addpic_y", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::saveanimation, "saveanimation", K::Check, 0, 0, 1, nullptr, 0},
    {C::SpinEdit1, "SpinEdit1", K::Number, 2, 2, 1000, nullptr, 0},
    {C::SpinEdit2, "SpinEdit2", K::Number, 10, 0, 3600000, nullptr, 0},
    {C::geiskaala, "geiskaala", K::Check, 0, 0, 1, nullptr, 0},
    {C::optimize, "optimize", K::Check, 1, 0, 1, nullptr, 0},
    {C::bitid, "bitid", K::List, 0, 0, 3, nullptr, 0},
    {C::blackandwhite, "blackandwhite", K::Check, 0, 0, 1, nullptr, 0},
    {C::bitmappix, "bitmappix", K::List, 0, 0, 7, nullptr, 0},
    {C::l6ikapilti, "l6ikapilti", K::Check, 0, 0, 1, nullptr, 0},
    {C::aknavasak, "aknavasak", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::aknaylevalt, "aknaylevalt", K::Number, 0, kNoMin, kNoMax, nullptr, 0},
    {C::aknalaius, "aknalaius", K::Number, 250, kNoMin, kNoMax, nullptr, 0},
    {C::aknak6rgus, "aknak6rgus", K::Number, 100, kNoMin, kNoMax, nullptr, 0},
    {C::resizeautom, "resizeautom", K::Check, 0, 0, 1, nullptr, 0},
    {C::pildilaius, "pildilaius", K::Number, 250, kNoMin, kNoMax, nullptr, 0},
    {C::pildik6rgus, "pildik6rgus", K::Number, 100, kNoMin, kNoMax, nullptr, 0},
    {C::invertcolors, "invertcolors", K::Check, 0, 0, 1, nullptr, 0},
    {C::emboss, "emboss", K::Check, 0, 0, 1, nullptr, 0},
    {C::grayscale, "grayscale", K::Check, 0, 0, 1, nullptr, 0},
    {C::pixelize, "pixelize", K::Check, 0, 0, 1, nullptr, 0},
    {C::pixlev, "pixlev", K::Number, 0, 0, 100, nullptr, 0},
    {C::blur, "blur", K::Check, 0, 0, 1, nullptr, 0},
    {C::blurlev, "blurlev", K::Number, 0, 0, 100, nullptr, 0},
    {C::taimeriaeg, "taimeriaeg", K::Number, 1, 1, 35791, nullptr, 0},
    {C::ajakast, "ajakast", K::List, 1, 0, 3, nullptr, 0},
    {C::l6petap2rast, "l6petap2rast", K::Check, 0, 0, 1, nullptr, 0},
    {C::l6petapildid, "l6petapildid", K::Number, 1, 1, 99999, nullptr, 0},
    {C::p2rast, "p2rast", K::Check, 0, 0, 1, nullptr, 0},
    {C::p2rast_aeg, "p2rast_aeg", K::Number, 30000, kNoMin, kNoMax, nullptr, 0},
    {C::openimages, "openimages", K::Check, 0, 0, 1, nullptr, 0},
    {C::proge, "proge", K::Text, 0, 0, 0, "mspaint.exe", 0},
    {C::parameetrid, "parameetrid", K::Text, 0, 0, 0, "%filename", 0},
    {C::align, "align", K::List, 0, 0, 3, nullptr, 0},
    {C::tablecol, "tablecol", K::Number, 1, 1, 50, nullptr, 0},
    {C::imwidth, "imwidth", K::Number, -1, -1, 200000, nullptr, 0},
    {C::imheight, "imheight", K::Number, -1, -1, 200000, nullptr, 0},
    {C::hyperlinks, "hyperlinks", K::Check, 0, 0, 1, nullptr, 0},
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
bool resetsNegativeToZero(C id) {
  switch (id) {
    case C::aknavasak:
    case C::aknaylevalt:
    case C::aknalaius:
    case C::aknak6rgus:
    case C::pildilaius:
    case C::pildik6rgus:
      return true;
    default:
      return false;
  }
}

bool takesPartInHotkeyCheck(C id) {
  switch (id) {
    case C::simulate:
    case C::aktiivneaken:
    case C::hotkey1:
    case C::hotkey2:
    case C::hk1:
    case C::hk2:
    case C::hk3:
      return true;
    default:
      return false;
  }
}

}  // namespace

const std::vector<ControlSpec>& allControlSpecs() {
  return kSpecs;
}

const ControlSpec& specOf(C id) {
  const auto i = static_cast<std::size_t>(id);
  if (i >= kSpecs.size() || kSpecs[i].id != id)
    throw std::logic_error("control table out of order");
  return kSpecs[i];
}

Controls::Controls()
    : values_(kSpecs.size()),
      texts_(kSpecs.size()),
      mins_(kSpecs.size()),
      maxs_(kSpecs.size()),
      enabled_(kSpecs.size(), true),
      reactions_(kSpecs.size()) {
  static_assert(kControlCount > 0);
  if (kSpecs.size() != static_cast<std::size_t>(kControlCount)) {
    throw std::logic_error("control table incomplete");
  }
  resetToDefaults();
}

void Controls::resetToDefaults() {
  for (const ControlSpec& s : kSpecs) {
    const std::size_t i = index(s.id);
    values_[i] = s.defaultValue;
    texts_[i] = s.defaultText ? s.defaultText : "";
    mins_[i] = s.min;
    maxs_[i] = s.max;
  }
}

void Controls::setValue(C id, long long v) {
  const ControlSpec& s = specOf(id);
  const std::size_t i = index(id);
  long long next = v;
  switch (s.kind) {
    case ControlKind::Check:
      next = v != 0 ? 1 : 0;
      break;
    case ControlKind::List:
      if (v < 0 || v >= maxs_[i]) next = -1;
      break;
    case ControlKind::Number:
      next = std::clamp<long long>(v, mins_[i], maxs_[i]);
      if (next < 0 && resetsNegativeToZero(id)) next = 0;
      break;
    case ControlKind::Shortcut:
      next = v & 0xFFFF;
      break;
    case ControlKind::Colour:
      next = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
      break;
    case ControlKind::Text:
      throw std::logic_error("setValue on a text control");
  }
  if (values_[i] == next) return;
  values_[i] = static_cast<int>(next);
  changed(id);
}

void Controls::setText(C id, std::string_view text) {
  const ControlSpec& s = specOf(id);
  if (s.kind != ControlKind::Text) throw std::logic_error("setText on a non-text control");
  const std::size_t i = index(id);
  std::string next = s.maxLength > 0 ? cutToCharacters(text, s.maxLength) : std::string(text);
  if (texts_[i] == next) return;
  texts_[i] = std::move(next);
  changed(id);
}

void Controls::setRange(C id, int min, int max) {
  const std::size_t i = index(id);
  mins_[i] = min;
  maxs_[i] = max;
  const int clamped = std::clamp(values_[i], min, max);
  if (clamped != values_[i]) {
    values_[i] = clamped;
    changed(id);
  }
}

void Controls::onChange(C id, std::function<void()> reaction) {
  reactions_[index(id)] = std::move(reaction);
}

void Controls::hotkeyConflictCheck() {
  const bool sameKey = (value(C::hotkey1) & 0xFFFF) == (value(C::hotkey2) & 0xFFFF);
  if (sameKey && checked(C::simulate) && checked(C::aktiivneaken)) {
    setChecked(C::simulate, false);
    setChecked(C::aktiivneaken, false);
  }
}

void Controls::changed(C id) {
  if (!hotkeyCheckDeferred_ && takesPartInHotkeyCheck(id)) hotkeyConflictCheck();
  if (const auto& r = reactions_[index(id)]) r();
}

}  // namespace snaprill
