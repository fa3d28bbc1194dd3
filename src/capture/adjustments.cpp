// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale. The cursor goes on before cropping; the
// overlay and text coordinates refer to the cropped and resized picture; the colour
// effects change the overlay and text too.
#include "capture/colour_effects.h"
#include "capture/engine.h"

namespace snaprill {

namespace {

struct Adjustment {
  Option option;
  void (*apply)(CaptureEngine&);
};

constexpr Adjustment kAdjustments[] = {
    {Option::addCursor, [](CaptureEngine& e) { e.ApplyCursor(); }},
    {Option::crop, [](CaptureEngine& e) { e.ApplyCrop(); }},
    {Option::autoResize, [](CaptureEngine& e) { e.ApplyResize(); }},
    {Option::addOverlay, [](CaptureEngine& e) { e.ApplyOverlay(); }},
    {Option::addText, [](CaptureEngine& e) { e.ApplyText(); }},
    {Option::invertColours, [](CaptureEngine& e) { invertColours(e.CaptureImage); }},
    {Option::grayscale, [](CaptureEngine& e) { makeGrayscale(e.CaptureImage); }},
};

}  // namespace

void CaptureEngine::applyAdjustments() {
  for (const Adjustment& adjustment : kAdjustments) {
    if (options.checked(adjustment.option)) adjustment.apply(*this);
  }
}

bool CaptureEngine::anyAdjustmentChosen() const {
  for (const Adjustment& adjustment : kAdjustments) {
    if (options.checked(adjustment.option)) return true;
  }
  return false;
}

}  // namespace snaprill
