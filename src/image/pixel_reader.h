// Reading the colours of true-colour pictures (16, 24, 32 bits per pixel) without
// converting them first. Internal to the colour reduction.
#pragma once

#include <cstdint>

#include "base/unaligned.h"
#include "image/bitmap.h"

namespace snaprill {

inline Rgb colorFrom555(std::uint16_t w) {
  const auto widen = [](unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
  return {widen((w >> 10) & 31u), widen((w >> 5) & 31u), widen(w & 31u)};
}

// Colour of pixel x of a row of a picture with bpp bits per pixel (16, 24 or 32).
template <int bpp>
inline Rgb colorAt(const std::uint8_t* row, int x) {
  if constexpr (bpp == 16) {
    const std::uint8_t* p = row + 2 * x;
    return colorFrom555(loadLe16(p));
  } else {
    const std::uint8_t* p = row + (bpp / 8) * x;
    return {p[2], p[1], p[0]};
  }
}

// Calls f with a function colorAt(row, x) fitting the picture's format; pictures
// of 1, 4 or 8 bits per pixel go through their palette.
template <class F>
decltype(auto) withColorReader(const Bitmap& picture, F&& f) {
  switch (picture.bitsPerPixel()) {
    case 32:
      return f([](const std::uint8_t* row, int x) { return colorAt<32>(row, x); });
    case 24:
      return f([](const std::uint8_t* row, int x) { return colorAt<24>(row, x); });
    case 16:
      return f([](const std::uint8_t* row, int x) { return colorAt<16>(row, x); });
    default: {
      const int bpp = picture.bitsPerPixel();
      const auto& palette = picture.palette();
      return f([bpp, &palette](const std::uint8_t* row, int x) {
        const int bit = x * bpp;
        const unsigned v = (row[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
        return v < palette.size() ? palette[v] : Rgb{};
      });
    }
  }
}

// Every pixel's colour, rows top first, left to right.
template <class F>
void forEachPixel(const Bitmap& picture, F&& f) {
  withColorReader(picture, [&](auto read) {
    for (int y = 0; y < picture.height(); ++y) {
      const std::uint8_t* row = picture.row(y);
      for (int x = 0; x < picture.width(); ++x) f(read(row, x));
    }
  });
}

}  // namespace snaprill
