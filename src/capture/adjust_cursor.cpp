// The mouse cursor, drawn onto full-screen captures only: an active-window capture
// has no place for it. Its hot spot (the arrow's tip) goes to the pointer position
// at the moment of the capture, as the screen shows it.
#include "capture/adjustments.h"

namespace snaprill {

namespace {

// Premultiplied "over": d = s + d * (255 - alpha) / 255.
std::uint8_t over(std::uint8_t s, std::uint8_t d, unsigned alpha) {
  const unsigned v = s + (d * (255u - alpha) + 127u) / 255u;
  return static_cast<std::uint8_t>(v > 255u ? 255u : v);
}

void drawCursor(Bitmap& dst, int left, int top, const Bitmap& cursor) {
  for (int cy = 0; cy < cursor.height(); ++cy) {
    const long long y = static_cast<long long>(top) + cy;
    if (y < 0 || y >= dst.height()) continue;
    const std::uint8_t* s = cursor.row(cy);
    for (int cx = 0; cx < cursor.width(); ++cx, s += 4) {
      const long long x = static_cast<long long>(left) + cx;
      if (x < 0 || x >= dst.width() || s[3] == 0) continue;
      const int px = static_cast<int>(x);
      const int py = static_cast<int>(y);
      const Rgb d = dst.pixel(px, py);
      dst.setPixel(px, py,
                   Rgb{over(s[2], d.r, s[3]), over(s[1], d.g, s[3]), over(s[0], d.b, s[3])});
    }
  }
}

}  // namespace

void Adjustments::addCursor(Bitmap& capture) const {
  if (!platform_.cursor || !platform_.screen) return;
  CursorSnapshot snapshot = platform_.cursor->current();
  // Asked at each capture: the screen may have grown or shrunk since the last one.
  const ReferenceScreen screen = platform_.screen->current();
  if (capture.width() != screen.widthPixels || capture.height() != screen.heightPixels) return;
  if (snapshot.image.empty()) return;
  if (snapshot.image.bitsPerPixel() != 32) snapshot.image.convertTo(32);
  drawCursor(capture, snapshot.pointerX - snapshot.hotX, snapshot.pointerY - snapshot.hotY,
             snapshot.image);
}

}  // namespace snaprill
