// Pixel-format conversion. Going down to an indexed format maps every colour to the
// nearest entry of the target's default palette; a 15-bit colour cache keeps that
// cheap on screen-sized pictures (screenshots have few distinct colours).
#include <array>
#include <memory>
#include <utility>

#include "platform/bitmap.h"

namespace snaprill {

namespace {

class NearestCache {
 public:
  explicit NearestCache(const std::vector<Rgb>& palette) : palette_(palette) { slots_.fill(-1); }
  unsigned operator()(Rgb c) {
    // Exact colours must map exactly, so the cache is keyed by the full colour and
    // only used as a hint slot: a miss on the key falls back to the search.
    const unsigned key = (unsigned{c.r} >> 3 << 10) | (unsigned{c.g} >> 3 << 5) | (c.b >> 3u);
    const std::uint32_t full = (unsigned{c.r} << 16) | (unsigned{c.g} << 8) | c.b;
    if (slots_[key] >= 0 && keys_[key] == full) return static_cast<unsigned>(slots_[key]);
    const unsigned i = nearestPaletteIndex(palette_, c);
    slots_[key] = static_cast<int>(i);
    keys_[key] = full;
    return i;
  }

 private:
  const std::vector<Rgb>& palette_;
  std::array<int, 32768> slots_{};
  std::array<std::uint32_t, 32768> keys_{};
};

}  // namespace

Bitmap Bitmap::convertedTo(int bitsPerPixel) const {
  if (bitsPerPixel == bpp_) return *this;
  Bitmap out(width_, height_, bitsPerPixel);
  if (out.indexed()) {
    auto cache = std::make_unique<NearestCache>(out.palette());
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) out.setIndex(x, y, (*cache)(pixel(x, y)));
    return out;
  }
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) out.setPixel(x, y, pixel(x, y));
  return out;
}

void Bitmap::convertTo(int bitsPerPixel) {
  if (bitsPerPixel == bpp_) return;
  *this = convertedTo(bitsPerPixel);
}

}  // namespace snaprill
