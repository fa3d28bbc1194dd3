// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale. The cursor goes on before cropping; the
// overlay and text coordinates refer to the cropped and resized picture; the colour
// effects change the overlay and text too.
#include "capture/colour_effects.h"
#include "capture/engine.h"

namespace snaprill {

namespace {

struct Adjustment {
  C option;
  void (*apply)(CaptureEngine&);
};

constexpr Adjustment kAdjustments[] = {
    {C::lisakursor, [](CaptureEngine& e) { e.ApplyCursor(); }},
    {C::l6ikapilti, [](CaptureEngine& e) { e.ApplyCrop(); }},
    {C::resizeautom, [](CaptureEngine& e) { e.ApplyResize(); }},
    {C::addpic, [](CaptureEngine& e) { e.ApplyOverlay(); }},
    {C::addtext, [](CaptureEngine& e) { e.ApplyText(); }},
    {C::invertcolors, [](CaptureEngine& e) { invertColours(e.CaptureImage); }},
    {C::grayscale, [](CaptureEngine& e) { makeGrayscale(e.CaptureImage); }},
};

}  // namespace

void CaptureEngine::applyAdjustments() {
  for (const Adjustment& adjustment : kAdjustments) {
    if (controls.checked(adjustment.option)) adjustment.apply(*this);
  }
}

bool CaptureEngine::anyAdjustmentChosen() const {
  for (const Adjustment& adjustment : kAdjustments) {
    if (controls.checked(adjustment.option)) return true;
  }
  return false;
}

}  // namespace snaprill
