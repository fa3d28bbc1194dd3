// Undoing PNG row filters and turning 8-bit RGB(A) rows into 32-bit capture rows:
// the per-byte work of reading a PNG, shared by the clipboard's reader and the
// overlay picture's reader. bpp is the number of bytes of one complete pixel (at
// least 1); the bytes "to the left" of the first pixel, and the prior row of the
// first row, count as 0. Nothing is read or written outside the size given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace snaprill::png {

enum FilterType : std::uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// The Paeth predictor of a byte from the one to its left (a), above (b) and above
// to the left (c): whichever is closest to a + b - c, ties going to a, then b.
inline std::uint8_t paethPredictor(int a, int b, int c) {
  // |p - a|, |p - b| and |p - c| for p = a + b - c, without forming p.
  const int pa = std::abs(b - c);
  const int pb = std::abs(a - c);
  const int pc = std::abs(a + b - 2 * c);
  if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
  return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

// Undoes the filter of one row in place. False, with the row unchanged, for a
// filter type the format does not have.
bool unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
              std::size_t bpp);

// Two consecutive rows: row1's prior row is row0. Same result as two calls of
// unfilter, faster where both rows use the slowest filter. False when a type is
// unknown (row0 may then be undone already).
bool unfilterTwo(std::uint8_t type0, std::uint8_t* row0, std::uint8_t type1, std::uint8_t* row1,
                 const std::uint8_t* prior, std::size_t size, std::size_t bpp);

// R G B (3 bytes) pixels to B G R 0.
void rgbToBgrx(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);
// R G B A (4 bytes) pixels to B G R 0, drawn over white: a capture has no
// transparency, and the colour a transparent pixel holds is not meant to be seen.
void rgbaOverWhiteToBgrx(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);

}  // namespace snaprill::png
