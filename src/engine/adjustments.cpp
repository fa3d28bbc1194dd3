// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale. The cursor goes on before cropping; the
// overlay and text coordinates refer to the cropped and resized picture; the colour
// effects change the overlay and text too.
#include "engine/colour_effects.h"
#include "engine/engine.h"

namespace snaprill {

void CaptureEngine::applyAdjustments() {
  if (controls.checked(C::lisakursor)) ApplyCursor();
  if (controls.checked(C::l6ikapilti)) ApplyCrop();
  if (controls.checked(C::resizeautom)) ApplyResize();
  if (controls.checked(C::addpic)) ApplyOverlay();
  if (controls.checked(C::addtext)) ApplyText();
  if (controls.checked(C::invertcolors)) InvertColors(CaptureImage);
  if (controls.checked(C::grayscale)) MakeGrayscale(CaptureImage);
}

}  // namespace snaprill
