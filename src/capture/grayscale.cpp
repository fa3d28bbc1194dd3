#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "capture/colour_effects.h"

namespace snaprill {

std::uint8_t grayLevel(Rgb c) {
  // long double is the x87 80-bit format here: the constants and every product and
  // sum are rounded to a 64-bit mantissa, which decides ties such as (100, 50, 25).
  static_assert(sizeof(long double) >= 10, "needs 80-bit extended precision");
  const long double r = 0.3L * static_cast<long double>(c.r);
  const long double g = 0.6L * static_cast<long double>(c.g);
  const long double b = 0.1L * static_cast<long double>(c.b);
  const long double sum = r + g + b;
  // nearbyint rounds in the current mode, round-to-nearest-even by default.
  return static_cast<std::uint8_t>(std::nearbyint(sum));
}

namespace {

// Screenshots hold few distinct colours, so a direct-mapped cache of computed
// levels saves nearly all of the extended-precision arithmetic.
class GrayCache {
 public:
  GrayCache() { keys_.fill(0xFFFFFFFFu); }
  std::uint8_t operator()(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    const std::uint32_t key = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    const std::uint32_t slot = (key ^ (key >> 12) ^ (key >> 20)) & (kSlots - 1);
    if (keys_[slot] != key) {
      keys_[slot] = key;
      levels_[slot] = grayLevel(Rgb{r, g, b});
    }
    return levels_[slot];
  }

 private:
  static constexpr std::uint32_t kSlots = 1u << 14;
  std::array<std::uint32_t, kSlots> keys_{};
  std::array<std::uint8_t, kSlots> levels_{};
};

template <int kBytes>
void grayRows(Bitmap& picture, GrayCache& cache) {
  const int w = picture.width();
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* p = picture.row(y);
    for (int x = 0; x < w; ++x, p += kBytes) {
      const std::uint8_t v = cache(p[0], p[1], p[2]);
      p[0] = p[1] = p[2] = v;
    }
  }
}

}  // namespace

Bitmap& makeGrayscale(Bitmap& picture) {
  auto cache = std::make_unique<GrayCache>();
  switch (picture.bitsPerPixel()) {
    case 32:
      grayRows<4>(picture, *cache);
      break;
    case 24:
      grayRows<3>(picture, *cache);
      break;
    default:
      for (int x = 0; x < picture.width(); ++x)
        for (int y = 0; y < picture.height(); ++y) {
          const Rgb c = picture.pixel(x, y);
          const std::uint8_t v = (*cache)(c.b, c.g, c.r);
          picture.setPixel(x, y, Rgb{v, v, v});
        }
      break;
  }
  return picture;
}

}  // namespace snaprill
