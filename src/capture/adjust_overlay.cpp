// The overlay picture, drawn at its own size without transparency.
#include "capture/adjustments.h"

namespace snaprill {

void Adjustments::addOverlay(Bitmap& capture) const {
  const Bitmap& overlay = overlay_.picture();
  if (overlay.empty()) return;
  const int x = options_.value(Option::overlayX);
  const int y = options_.value(Option::overlayY);
  if (overlay.bitsPerPixel() == capture.bitsPerPixel() || capture.indexed()) {
    drawBitmap(capture, x, y, overlay);
  } else {
    // Same formats copy whole rows at a time.
    drawBitmap(capture, x, y, overlay.convertedTo(capture.bitsPerPixel()));
  }
}

}  // namespace snaprill
