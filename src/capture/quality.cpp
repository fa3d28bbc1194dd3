// The shared quality scroll bar: JPEG quality or PNG compression level, by type.
#include <string>

#include "capture/engine.h"

namespace snaprill {

void CaptureEngine::SpinChange() {
  if (adjustingSpinRange_) return;
  const int position = controls.value(C::Spin);
  switch (controls.value(C::tyyp)) {
    case kJpeg:
      controls.setValue(C::JpegQuality, position);
      Label1 = replaceIgnoringCase(
          replaceIgnoringCase(texts.get("Main", "Quality"), "%q", std::to_string(position)), "%r",
          "90");
      break;
    case kPng:
      controls.setValue(C::PngLevel, position);
      Label1 =
          replaceIgnoringCase(texts.get("Main", "Compression"), "%q", std::to_string(position));
      break;
    default:
      break;
  }
  notifyView();
}

int CaptureEngine::SpinLargeStep() const {
  switch (controls.value(C::tyyp)) {
    case kJpeg:
      return 5;
    case kPng:
      return 2;
    default:
      return 1;
  }
}

void CaptureEngine::imageTypeChanged() {
  const int type = controls.value(C::tyyp);
  const bool spinUsed = type == kJpeg || type == kPng;
  // The range is set before the position so that every stored value within the new
  // range survives the change; the clamp of the old position to the new range must
  // not overwrite the stored value of the new type.
  if (type == kJpeg || type == kPng) {
    adjustingSpinRange_ = true;
    controls.setRange(C::Spin, type == kJpeg ? 1 : 0, type == kJpeg ? 100 : 9);
    adjustingSpinRange_ = false;
    controls.setValue(C::Spin, controls.value(type == kJpeg ? C::JpegQuality : C::PngLevel));
  }
  controls.setEnabled(C::Spin, spinUsed);
  if (spinUsed) SpinChange();
  if (type == kAvi) controls.setChecked(C::saveanimation, true);
  notifyView();
}

}  // namespace snaprill
