// Floyd-Steinberg error diffusion on a serpentine walk, in the integer arithmetic
// the GIF frames have always been made with. Internal to the colour reduction.
//
// Per channel: an error row of width + 2 cells and three running values (cur,
// below, belowPrev). A left-to-right row uses cell x for column x, a right-to-left
// row cell x + 2; the cell is read for a pixel and then overwritten for it. Weights:
// 7/16 ahead, 3/16, 5/16 and 1/16 into the next row.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace snaprill::detail {

template <class Lookup>
class FloydSteinbergDitherer {
 public:
  FloydSteinbergDitherer(int width, Lookup& lookup)
      : width_(width), lookup_(lookup), cells_(3 * (static_cast<std::size_t>(width) + 2), 0) {}

  int column() const { return column_; }
  int direction() const { return direction_; }
  bool inRow() const { return column_ >= 0 && column_ < width_; }

  std::uint8_t DitherPixel(int r, int g, int b) {
    int* cell = &cells_[3 * static_cast<std::size_t>(pointer_)];
    const int v[3] = {clamp(r + (cell[0] + cur_[0] + 8) / 16),
                      clamp(g + (cell[1] + cur_[1] + 8) / 16),
                      clamp(b + (cell[2] + cur_[2] + 8) / 16)};
    Rgb p;
    const std::uint8_t index = lookup_.MatchColor(v[0], v[1], v[2], p);
    const int pc[3] = {p.r, p.g, p.b};
    for (int c = 0; c < 3; ++c) {
      const int e = v[c] - pc[c];
      if (e != 0) {
        cell[c] = belowPrev_[c] + 3 * e;
        belowPrev_[c] = below_[c] + 5 * e;
        below_[c] = e;
        cur_[c] = 7 * e;
      } else {
        cur_[c] = 0;
      }
    }
    pointer_ += direction_;
    column_ += direction_;
    return index;
  }

  void NextRow() {
    int* cell = &cells_[3 * static_cast<std::size_t>(pointer_)];
    for (int c = 0; c < 3; ++c) {
      cell[c] = belowPrev_[c];
      cur_[c] = below_[c] = belowPrev_[c] = 0;
    }
    direction_ = -direction_;
    column_ = direction_ > 0 ? 0 : width_ - 1;
    pointer_ = direction_ > 0 ? 0 : width_ + 1;
  }

 private:
  static int clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

  int width_;
  Lookup& lookup_;
  std::vector<int> cells_;  // width + 2 cells of red, green, blue
  int pointer_ = 0;
  int column_ = 0;
  int direction_ = 1;
  int cur_[3] = {0, 0, 0};
  int below_[3] = {0, 0, 0};
  int belowPrev_[3] = {0, 0, 0};
};

// Walks a width x height picture in the ditherer's order: colorAt(x, y) gives the
// source colour, out(y) the destination row of indexes.
template <class Lookup, class ColorAt, class RowOut>
void DitherPicture(int width, int height, Lookup& lookup, ColorAt&& colorAt, RowOut&& out) {
  FloydSteinbergDitherer<Lookup> ditherer(width, lookup);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* dst = out(y);
    while (ditherer.inRow()) {
      const int x = ditherer.column();
      const Rgb c = colorAt(x, y);
      dst[x] = ditherer.DitherPixel(c.r, c.g, c.b);
    }
    ditherer.NextRow();
  }
}

}  // namespace snaprill::detail
