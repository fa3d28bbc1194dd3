#include "options/quality_bar.h"

namespace snaprill {

QualityBar::QualityBar(Options& options, Texts& texts) : options_(options), texts_(texts) {
  watches_ = {
      options_.watch(Option::qualityBar, [this] { positionChanged(); }),
      options_.watch(Option::outputType, [this] { outputTypeChanged(); }),
      options_.watch(Option::jpegQuality, [this] { storedValueChanged(Option::jpegQuality); }),
      options_.watch(Option::pngLevel, [this] { storedValueChanged(Option::pngLevel); }),
  };
  languageWatch_ = texts_.changed.add([this] { languageChanged(); });
  positionChanged();
}

QualityBar::~QualityBar() {
  for (const Options::WatchId& w : watches_) options_.unwatch(w);
  texts_.changed.remove(languageWatch_);
}

void QualityBar::positionChanged() {
  if (adjustingRange_) return;
  const int position = options_.value(Option::qualityBar);
  switch (options_.value(Option::outputType)) {
    case kJpeg:
      options_.setValue(Option::jpegQuality, position);
      showJpegQuality(position);
      break;
    case kPng:
      options_.setValue(Option::pngLevel, position);
      showPngLevel(position);
      break;
    default:
      break;
  }
  changed.callAll();
}

void QualityBar::storedValueChanged(Option stored) {
  const int type = options_.value(Option::outputType);
  if (type == kJpeg || type == kPng) {
    const Option shown = type == kJpeg ? Option::jpegQuality : Option::pngLevel;
    if (stored == shown) options_.setValue(Option::qualityBar, options_.value(stored));
    return;
  }
  // The disabled bar still shows the value of the type it showed last: a settings
  // file that brings a new one (a start with GIF chosen) must not leave the old
  // number there.
  if ((stored == Option::jpegQuality) == showsJpegQuality_) {
    options_.setValue(Option::qualityBar, options_.value(stored));
    languageChanged();
  }
}

void QualityBar::showJpegQuality(int quality) {
  showsJpegQuality_ = true;
  caption_ = replaceIgnoringCase(
      replaceIgnoringCase(texts_.get("Main", "Quality"), "%q", std::to_string(quality)), "%r",
      "90");
}

void QualityBar::showPngLevel(int level) {
  showsJpegQuality_ = false;
  caption_ = replaceIgnoringCase(texts_.get("Main", "Compression"), "%q", std::to_string(level));
}

void QualityBar::languageChanged() {
  if (showsJpegQuality_) {
    showJpegQuality(options_.value(Option::jpegQuality));
  } else {
    showPngLevel(options_.value(Option::pngLevel));
  }
  changed.callAll();
}

int QualityBar::largeStep() const {
  switch (options_.value(Option::outputType)) {
    case kJpeg:
      return 5;
    case kPng:
      return 2;
    default:
      return 1;
  }
}

void QualityBar::outputTypeChanged() {
  const int type = options_.value(Option::outputType);
  const bool used = type == kJpeg || type == kPng;
  if (used) {
    // The clamp of the old position into the new range must not overwrite the
    // stored value of the new type.
    adjustingRange_ = true;
    options_.setRange(Option::qualityBar, type == kJpeg ? 1 : 0, type == kJpeg ? 100 : 9);
    adjustingRange_ = false;
    options_.setValue(Option::qualityBar,
                      options_.value(type == kJpeg ? Option::jpegQuality : Option::pngLevel));
  }
  options_.setEnabled(Option::qualityBar, used);
  if (used) {
    positionChanged();
  } else {
    changed.callAll();
  }
}

}  // namespace snaprill
