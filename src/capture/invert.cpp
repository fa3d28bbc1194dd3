#include <cstring>

#include "capture/colour_effects.h"

namespace snaprill {

namespace {

// Screen captures arrive at 32 bits; dropping the fourth byte directly is far
// cheaper than the general per-pixel conversion.
Bitmap dropFourthByte(const Bitmap& src) {
  Bitmap out(src.width(), src.height(), 24);
  const std::size_t w = static_cast<std::size_t>(src.width());
  for (int y = 0; y < src.height(); ++y) {
    const std::uint8_t* s = src.row(y);
    std::uint8_t* d = out.row(y);
    for (std::size_t x = 0; x < w; ++x, s += 4, d += 3) std::memcpy(d, s, 3);
  }
  return out;
}

}  // namespace

Bitmap& invertColours(Bitmap& picture) {
  if (picture.bitsPerPixel() == 32) {
    picture = dropFourthByte(picture);
  } else {
    picture.convertTo(24);
  }
  const std::size_t bytes = 3 * static_cast<std::size_t>(picture.width());
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* r = picture.row(y);
    for (std::size_t i = 0; i < bytes; ++i) r[i] = static_cast<std::uint8_t>(255 - r[i]);
  }
  return picture;
}

}  // namespace snaprill
