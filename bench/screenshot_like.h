// The screenshot-like 32-bit picture the encoder benchmarks share.
#pragma once

#include <algorithm>
#include <cstdint>

#include "image/bitmap.h"

namespace snaprill::bench {

// Flat desktop, windows with gradient title bars and light client areas, lines of
// small glyph-like marks, and one noisy picture area: what captures look like.
inline Bitmap screenshotLike(int width, int height) {
  Bitmap b(width, height, 32);
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const auto fill = [&](int x0, int y0, int x1, int y1, std::uint8_t r, std::uint8_t g,
                        std::uint8_t bl) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
      std::uint8_t* row = b.row(y);
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
        row[4 * x] = bl;
        row[4 * x + 1] = g;
        row[4 * x + 2] = r;
      }
    }
  };
  fill(0, 0, width, height, 0, 99, 140);
  for (int w = 0; w < 6; ++w) {
    const int x0 = static_cast<int>(next() % static_cast<unsigned>(width * 2 / 3));
    const int y0 = static_cast<int>(next() % static_cast<unsigned>(height * 2 / 3));
    const int x1 = x0 + width / 3, y1 = y0 + height / 3;
    fill(x0, y0, x1, y1, 240, 240, 240);
    for (int y = y0; y < y0 + 24; ++y)
      fill(x0, y, x1, y + 1, 10, static_cast<std::uint8_t>(std::min(255, 60 + (y - y0) * 4)), 200);
    for (int line = y0 + 32; line + 12 < y1; line += 16)
      for (int x = x0 + 6; x + 8 < x1; x += 7)
        if (next() % 6 != 0)
          for (int dot = 0; dot < 14; ++dot)
            if (next() % 3 == 0)
              fill(x + dot % 5, line + dot % 11, x + dot % 5 + 1, line + dot % 11 + 1, 0, 0, 0);
  }
  const int px = width / 2, py = height / 2;
  for (int y = py; y < std::min(height, py + height / 6); ++y) {
    std::uint8_t* row = b.row(y);
    for (int x = px; x < std::min(width, px + width / 6); ++x) {
      const std::uint32_t n = next();
      row[4 * x] = static_cast<std::uint8_t>(x + (n & 15));
      row[4 * x + 1] = static_cast<std::uint8_t>(y + (n >> 4 & 15));
      row[4 * x + 2] = static_cast<std::uint8_t>((x ^ y) + (n >> 8 & 15));
    }
  }
  return b;
}

}  // namespace snaprill::bench
