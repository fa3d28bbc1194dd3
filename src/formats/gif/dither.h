// Floyd-Steinberg error diffusion on a serpentine walk, in integer arithmetic whose
// every rounding is part of the output: the same picture gives the same GIF frames,
// byte for byte, on every machine. Internal to the colour reduction.
//
// Per channel: an error row of width + 2 cells and three running values (cur,
// below, belowPrev), which start at 0 on every row. A left-to-right row uses cell x
// for column x, a right-to-left row cell x + 2; the cell is read for a pixel and
// then overwritten for it. Weights: 7/16 ahead, 3/16, 5/16 and 1/16 into the next row.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"

namespace snaprill::detail {

// Walks a width x height picture row by row, even rows left to right and odd rows
// right to left: rowColors(y) gives a function from x to the source colour, out(y)
// the destination row of indexes, lookup.matchColor(r, g, b, colour) the palette
// index and its colour.
template <class Lookup, class RowColors, class RowOut>
void ditherPicture(int width, int height, Lookup& lookup, RowColors&& rowColors, RowOut&& out) {
  std::vector<int> cells(3 * (static_cast<std::size_t>(width) + 2), 0);
  const auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
  for (int y = 0; y < height; ++y) {
    const int direction = y % 2 == 0 ? 1 : -1;
    std::uint8_t* dst = out(y);
    const auto colorAt = rowColors(y);  // a local copy: byte stores cannot touch it
    int* cell = cells.data() + (direction > 0 ? 0 : 3 * (static_cast<std::ptrdiff_t>(width) + 1));
    const std::ptrdiff_t step = 3 * direction;
    int cur[3] = {0, 0, 0}, below[3] = {0, 0, 0}, belowPrev[3] = {0, 0, 0};
    // A palette colour met without carried error maps to itself and leaves the
    // state as it is; flat areas of screenshots repeat it, so it is remembered.
    bool haveExact = false;
    Rgb exact;
    std::uint8_t exactIndex = 0;
    for (int i = 0, x = direction > 0 ? 0 : width - 1; i < width; ++i, x += direction) {
      const Rgb s = colorAt(x);
      const bool noCarry = ((cell[0] | cell[1] | cell[2] | cur[0] | cur[1] | cur[2]) == 0);
      if (noCarry && haveExact && s == exact) {
        dst[x] = exactIndex;
        cell += step;
        continue;
      }
      // Integer division truncates toward zero, so negative errors round up, not down:
      // the frames' bytes depend on it.
      const int v[3] = {clamp(s.r + (cell[0] + cur[0] + 8) / 16),
                        clamp(s.g + (cell[1] + cur[1] + 8) / 16),
                        clamp(s.b + (cell[2] + cur[2] + 8) / 16)};
      Rgb p;
      dst[x] = lookup.matchColor(v[0], v[1], v[2], p);
      if (noCarry && p == s) {
        haveExact = true;
        exact = s;
        exactIndex = dst[x];
      }
      const int pc[3] = {p.r, p.g, p.b};
      for (int c = 0; c < 3; ++c) {
        // Without error the cell and the values below stay as they are (selects
        // rather than branches: the sign of e is unpredictable in dithered areas).
        const int e = v[c] - pc[c];
        const bool moved = e != 0;
        cell[c] = moved ? belowPrev[c] + 3 * e : cell[c];
        belowPrev[c] = moved ? below[c] + 5 * e : belowPrev[c];
        below[c] = moved ? e : below[c];
        cur[c] = 7 * e;
      }
      cell += step;
    }
    // The cell just past the row's last pixel takes what is left for the next row.
    for (int c = 0; c < 3; ++c) cell[c] = belowPrev[c];
  }
}

}  // namespace snaprill::detail
