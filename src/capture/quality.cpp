// The shared quality scroll bar: JPEG quality or PNG compression level, by type.
#include <string>

#include "capture/engine.h"

namespace snaprill {

void CaptureEngine::SpinChange() {
  if (adjustingSpinRange_) return;
  const int position = options.value(Option::qualityBar);
  switch (options.value(Option::outputType)) {
    case kJpeg:
      options.setValue(Option::jpegQuality, position);
      Label1 = replaceIgnoringCase(
          replaceIgnoringCase(texts.get("Main", "Quality"), "%q", std::to_string(position)), "%r",
          "90");
      break;
    case kPng:
      options.setValue(Option::pngLevel, position);
      Label1 =
          replaceIgnoringCase(texts.get("Main", "Compression"), "%q", std::to_string(position));
      break;
    default:
      break;
  }
  notifyView();
}

int CaptureEngine::SpinLargeStep() const {
  switch (options.value(Option::outputType)) {
    case kJpeg:
      return 5;
    case kPng:
      return 2;
    default:
      return 1;
  }
}

void CaptureEngine::imageTypeChanged() {
  const int type = options.value(Option::outputType);
  const bool spinUsed = type == kJpeg || type == kPng;
  // The range is set before the position so that every stored value within the new
  // range survives the change; the clamp of the old position to the new range must
  // not overwrite the stored value of the new type.
  if (type == kJpeg || type == kPng) {
    adjustingSpinRange_ = true;
    options.setRange(Option::qualityBar, type == kJpeg ? 1 : 0, type == kJpeg ? 100 : 9);
    adjustingSpinRange_ = false;
    options.setValue(Option::qualityBar,
                     options.value(type == kJpeg ? Option::jpegQuality : Option::pngLevel));
  }
  options.setEnabled(Option::qualityBar, spinUsed);
  if (spinUsed) SpinChange();
  if (type == kAvi) options.setChecked(Option::saveAnimation, true);
  notifyView();
}

}  // namespace snaprill
