// Pictures the tests and test tools make for themselves, all in this one place. The
// same arguments always give the same pixels: decoder checks and exact-byte tests
// rely on it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>

#include "image/bitmap.h"

namespace snaprill::testing {

// A 32-bit picture of the given colour for every pixel, asked for row by row, left to
// right.
template <class ColourAt>
Bitmap pictureOf(int w, int h, ColourAt&& colourAt) {
  Bitmap b(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.setPixel(x, y, colourAt(x, y));
  return b;
}

// A screenshot-like 32-bit picture: a gradient with a few flat bars.
inline Bitmap samplePicture(int w = 64, int h = 48) {
  return pictureOf(w, h, [w, h](int x, int y) {
    return (y / 8) % 2 ? Rgb{30, 60, 200}
                       : Rgb{static_cast<std::uint8_t>(x * 255 / w),
                             static_cast<std::uint8_t>(y * 255 / h), 128};
  });
}

// A 32-bit picture with a gradient, flat bars and a marker colour per seed, so that
// the frames of an animation differ.
inline Bitmap framePicture(int w, int h, int seed = 0) {
  return pictureOf(w, h, [w, h, seed](int x, int y) {
    return (y / 6) % 3 == 1 ? Rgb{std::uint8_t(40 * seed), 60, 200}
                            : Rgb{std::uint8_t(x * 255 / w), std::uint8_t(y * 255 / h),
                                  std::uint8_t(128 + seed)};
  });
}

// A capture whose every pixel says where it came from: red x, green y (both modulo
// 256), blue a mix of the two.
inline Bitmap gradientPicture(int w, int h) {
  return pictureOf(w, h, [](int x, int y) {
    return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
               static_cast<std::uint8_t>(x * 7 + y * 3)};
  });
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

// A 32-bit picture whose every byte, the unused fourth one too, is noise: a reader or
// encoder that looks at the fourth byte gives itself away.
inline Bitmap noiseBytes(int w, int h, std::mt19937::result_type seed) {
  std::mt19937 rng(seed);
  Bitmap b(w, h, 32);
  for (auto& byte : b.bits()) byte = static_cast<std::uint8_t>(rng());
  return b;
}

// Runs of 1 to longestRun equal pixels from a few colours (most with bytes of 0xC0 and
// up, which PCX must escape), so that runs start and end at odd and even places and,
// when long, pass the packet limits of run-length encoders; the unused fourth byte is
// noise.
inline Bitmap runsPicture(int w, int h, std::uint32_t seed = 7, int longestRun = 199) {
  Bitmap picture(w, h, 32);
  const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const Rgb colours[] = {{0, 0, 0}, {255, 255, 255}, {200, 192, 7}, {193, 10, 255}};
  int left = 0;
  Rgb c;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (left-- == 0) {
        left = static_cast<int>(next() % static_cast<unsigned>(longestRun));
        c = colours[next() % 4];
      }
      picture.setPixel(x, y, c);
      picture.row(y)[4 * x + 3] = static_cast<std::uint8_t>(next());
    }
  }
  return picture;
}

// A screenshot-like 32-bit capture: a desktop colour, windows with title bars and
// flat client areas, rows of small "glyphs", and a noisy photo-like patch.
inline Bitmap screenshotLike(int width, int height, std::uint32_t seed = 1) {
  Bitmap b(width, height, 32);
  std::uint32_t state = seed;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const auto fill = [&](int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x) b.setPixel(x, y, c);
  };
  fill(0, 0, width, height, Rgb{0, 99, 140});
  for (int w = 0; w < 4; ++w) {
    const int x0 = static_cast<int>(next() % static_cast<unsigned>(width));
    const int y0 = static_cast<int>(next() % static_cast<unsigned>(height));
    const int x1 = x0 + width / 3, y1 = y0 + height / 3;
    fill(x0, y0, x1, y1, Rgb{240, 240, 240});
    for (int y = y0; y < y0 + 22 && y < height; ++y) {
      const auto shade = static_cast<std::uint8_t>(std::min(255, 60 + (y - y0) * 4));
      fill(x0, y, x1, y + 1, Rgb{10, shade, 200});
    }
    for (int line = y0 + 30; line + 10 < y1; line += 16)
      for (int x = x0 + 6; x + 6 < x1; x += 7)
        if (next() % 5 != 0)
          for (int dot = 0; dot < 12; ++dot)
            if (next() % 3 == 0)
              fill(x + dot % 5, line + dot, x + dot % 5 + 1, line + dot + 1, Rgb{});
  }
  const int px = width / 2, py = height / 2;
  for (int y = py; y < std::min(height, py + height / 5); ++y)
    for (int x = px; x < std::min(width, px + width / 5); ++x) {
      const std::uint32_t n = next();
      b.setPixel(x, y,
                 Rgb{static_cast<std::uint8_t>((x + (n & 15)) & 255),
                     static_cast<std::uint8_t>((y + (n >> 4 & 15)) & 255),
                     static_cast<std::uint8_t>(((x ^ y) + (n >> 8 & 15)) & 255)});
    }
  return b;
}

}  // namespace snaprill::testing
