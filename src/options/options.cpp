#include "options/options.h"

#include "options/file_prefix.h"

#include <algorithm>
#include <stdexcept>

namespace snaprill {

namespace {

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

Options::Options()
    : values_(allOptionSpecs().size()),
      texts_(allOptionSpecs().size()),
      mins_(allOptionSpecs().size()),
      maxs_(allOptionSpecs().size()),
      enabled_(allOptionSpecs().size(), true),
      watchers_(allOptionSpecs().size()) {
  static_assert(kOptionCount > 0);
  if (allOptionSpecs().size() != static_cast<std::size_t>(kOptionCount)) {
    throw std::logic_error("option table incomplete");
  }
  resetToDefaults();
}

Options Options::snapshot() const {
  Options copy = *this;
  copy.watchers_.assign(copy.watchers_.size(), Callbacks());
  return copy;
}

void Options::resetToDefaults() {
  for (const OptionSpec& s : allOptionSpecs()) {
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
