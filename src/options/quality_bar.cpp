#include "options/quality_bar.h"

#include <string_view>

#include "base/text.h"
#include "formats/modern_types.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

// The use of the bar by a type that takes a number from it, or nullptr.
const QualityUse* useOf(int type) {
  if (type < 0 || type >= kOutputTypeCount) return nullptr;
  const std::optional<QualityUse>& use = outputTypes()[static_cast<std::size_t>(type)].quality;
  return use ? &*use : nullptr;
}

// What the bar sets, without a number: the quality caption up to its number
// ("Quality" of "Quality %q (recommended %r)"), or what follows the number up to
// a bracket when a language puts the number first.
std::string settingName(const std::string& caption) {
  const auto trimmed = [](std::string_view text) {
    const auto inside = [](char c) { return c != ' ' && c != ':' && c != '\t'; };
    while (!text.empty() && !inside(text.front())) text.remove_prefix(1);
    while (!text.empty() && !inside(text.back())) text.remove_suffix(1);
    return std::string(text);
  };
  const std::string_view text = caption;
  const std::size_t number = lowerAscii(caption).find("%q");  // placeholders: any case
  std::string name = trimmed(text.substr(0, number));
  if (name.empty() && number != std::string_view::npos) {
    const std::string_view rest = text.substr(number + 2);
    name = trimmed(rest.substr(0, rest.find('(')));
  }
  return name;
}

}  // namespace

QualityBar::QualityBar(Options& options, Texts& texts)
    : options_(options), texts_(texts), shownType_(kPng) {
  watches_ = {
      options_.watch(Option::qualityBar, [this] { positionChanged(); }),
      options_.watch(Option::outputType, [this] { outputTypeChanged(); }),
  };
  for (const OutputTypeInfo& type : outputTypes()) {
    if (!type.quality) continue;
    const Option stored = type.quality->stored;
    watches_.push_back(options_.watch(stored, [this, stored] { storedValueChanged(stored); }));
  }
  languageWatch_ = texts_.changed.add([this] { languageChanged(); });
  positionChanged();
}

QualityBar::~QualityBar() {
  for (const Options::WatchId& w : watches_) options_.unwatch(w);
  texts_.changed.remove(languageWatch_);
}

void QualityBar::positionChanged() {
  if (adjustingRange_) return;
  const int type = options_.value(Option::outputType);
  if (const QualityUse* use = useOf(type)) {
    const int position = options_.value(Option::qualityBar);
    options_.setValue(use->stored, position);
    showValue(type, position);
  }
  changed.callAll();
}

void QualityBar::storedValueChanged(Option stored) {
  if (const QualityUse* use = useOf(options_.value(Option::outputType))) {
    if (stored == use->stored) options_.setValue(Option::qualityBar, options_.value(stored));
    return;
  }
  // The disabled bar still shows the value of the type it showed last: a settings
  // file that brings a new one (a start with GIF chosen) must not leave the old
  // number there.
  if (stored == useOf(shownType_)->stored) {
    options_.setValue(Option::qualityBar, options_.value(stored));
    languageChanged();
  }
}

void QualityBar::showValue(int type, int value) {
  shownType_ = type;
  const QualityUse& use = *useOf(type);
  if (!use.recommended) {
    caption_ = replaceIgnoringCase(texts_.get("Main", "Compression"), "%q", std::to_string(value));
  } else if (value >= kLosslessQuality) {
    caption_ = texts_.get("Main", "Lossless");
  } else {
    caption_ = replaceIgnoringCase(
        replaceIgnoringCase(
            texts_.get("Main", options_.rangeMax(use.stored) == kLosslessQuality ? "QualityLossy"
                                                                                 : "Quality"),
            "%q", std::to_string(value)),
        "%r", use.recommended);
  }
}

void QualityBar::languageChanged() {
  showCaption();
  changed.callAll();
}

void QualityBar::showCaption() {
  if (useOf(options_.value(Option::outputType))) {
    showValue(shownType_, options_.value(useOf(shownType_)->stored));
  } else {
    // Greyed for a type that takes no number, the caption names none: another
    // type's value, range or advice would say something untrue of this one.
    caption_ = settingName(texts_.get("Main", "Quality"));
  }
}

int QualityBar::largeStep() const {
  const QualityUse* use = useOf(options_.value(Option::outputType));
  return use ? use->largeStep : 1;
}

void QualityBar::outputTypeChanged() {
  const QualityUse* use = useOf(options_.value(Option::outputType));
  if (use) {
    // The clamp of the old position into the new range must not overwrite the
    // stored value of the new type.
    adjustingRange_ = true;
    options_.setRange(Option::qualityBar, options_.rangeMin(use->stored),
                      options_.rangeMax(use->stored));
    adjustingRange_ = false;
    options_.setValue(Option::qualityBar, options_.value(use->stored));
  }
  options_.setEnabled(Option::qualityBar, use != nullptr);
  if (use) {
    positionChanged();
  } else {
    languageChanged();
  }
}

}  // namespace snaprill
