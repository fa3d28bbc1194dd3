#include "capture/adjustments.h"

#include "capture/colour_effects.h"

namespace snaprill {

namespace {

struct Step {
  Option option;
  void (*apply)(const Adjustments&, Bitmap&);
};

constexpr Step kSteps[] = {
    {Option::addCursor, [](const Adjustments& a, Bitmap& b) { a.addCursor(b); }},
    {Option::crop, [](const Adjustments& a, Bitmap& b) { a.crop(b); }},
    {Option::autoResize, [](const Adjustments& a, Bitmap& b) { a.resize(b); }},
    {Option::addOverlay, [](const Adjustments& a, Bitmap& b) { a.addOverlay(b); }},
    {Option::addText, [](const Adjustments& a, Bitmap& b) { a.addText(b); }},
    {Option::invertColours, [](const Adjustments&, Bitmap& b) { invertColours(b); }},
    {Option::grayscale, [](const Adjustments&, Bitmap& b) { makeGrayscale(b); }},
};

}  // namespace

AdjustOutcome Adjustments::apply(Bitmap& capture) const {
  AdjustOutcome outcome;
  for (const Step& step : kSteps) {
    if (!options_.checked(step.option)) continue;
    try {
      step.apply(*this, capture);
    } catch (const BitmapError& e) {
      if (e.kind() != BitmapErrorKind::TooLarge) throw;
      outcome.refusedWidth = e.width();
      outcome.refusedHeight = e.height();
    }
  }
  return outcome;
}

bool anyAdjustmentChosen(const Options& options) {
  for (const Step& step : kSteps) {
    if (options.checked(step.option)) return true;
  }
  return false;
}

}  // namespace snaprill
