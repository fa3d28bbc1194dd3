// A picture held in little memory while it waits its turn to be written. A burst
// of screen-sized captures outruns a slow encoder (a 4K PNG at level 9 takes about
// half a second); kept as they are, every picture waiting costs 33 MB at 4K. A
// screenshot is mostly rows like the one above and runs of one colour, so each row
// is kept as "same as above", or as runs and literal stretches of 32-bit words:
// about as fast as copying the picture, a few per cent of its size on a desktop,
// and a photo that does not pack is seen as such before it costs its full size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/bitmap.h"

namespace snaprill {

class PackedBitmap {
 public:
  // The picture packed, or nothing once the packed form would take more than
  // `limit` bytes (the work stops there).
  static std::optional<PackedBitmap> pack(const Bitmap& picture, std::size_t limit);
  // The same picture, byte for byte (row padding included) and with its palette.
  Bitmap unpack() const;
  // The memory the packed form holds.
  std::size_t bytes() const;

 private:
  PackedBitmap() = default;
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  std::vector<Rgb> palette_;
  std::vector<std::uint32_t> codes_;
};

}  // namespace snaprill
