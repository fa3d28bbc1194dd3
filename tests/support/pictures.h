// Pictures the tests make for themselves.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace snaprill::testing {

// A screenshot-like 32-bit picture: a gradient with a few flat bars.
inline Bitmap samplePicture(int w = 64, int h = 48) {
  Bitmap b(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y,
                 (y / 8) % 2 ? Rgb{30, 60, 200}
                             : Rgb{static_cast<std::uint8_t>(x * 255 / w),
                                   static_cast<std::uint8_t>(y * 255 / h), 128});
  return b;
}

// A picture whose every pixel differs from its neighbours, in the given format;
// the same seed gives the same picture.
inline Bitmap noisePicture(int w, int h, int bpp, std::uint32_t seed) {
  Bitmap b(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      b.setPixel(x, y,
                 Rgb{static_cast<std::uint8_t>(seed >> 24), static_cast<std::uint8_t>(seed >> 16),
                     static_cast<std::uint8_t>(seed >> 8)});
    }
  return bpp == 32 ? b : b.convertedTo(bpp);
}

}  // namespace snaprill::testing
