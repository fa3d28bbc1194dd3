#include "history/text_reader.h"

#include <algorithm>

namespace snaprill {

int readingShrink(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  const std::int64_t pixels = std::int64_t{width} * height;
  for (int shrink = 1; shrink <= kMaxShrink; ++shrink) {
    if (pixels / (std::int64_t{shrink} * shrink) <= kMaxReadPixels) return shrink;
  }
  return 0;
}

GreyPicture greyPicture(const Bitmap& source, int shrink) {
  GreyPicture grey;
  if (source.empty() || shrink < 1) return grey;
  const Bitmap picture = source.bitsPerPixel() == 32 ? Bitmap() : source.convertedTo(32);
  const Bitmap& rgb = picture.empty() ? source : picture;
  grey.width = rgb.width() / shrink;
  grey.height = rgb.height() / shrink;
  if (grey.width == 0 || grey.height == 0) return GreyPicture{};
  grey.pixels.resize(static_cast<std::size_t>(grey.width) * static_cast<std::size_t>(grey.height));
  const int area = shrink * shrink;
  for (int y = 0; y < grey.height; ++y) {
    std::uint8_t* out = grey.pixels.data() + static_cast<std::size_t>(y) * grey.width;
    for (int x = 0; x < grey.width; ++x) {
      int sum = 0;
      for (int dy = 0; dy < shrink; ++dy) {
        const std::uint8_t* p = rgb.row(y * shrink + dy) + static_cast<std::size_t>(x) * shrink * 4;
        for (int dx = 0; dx < shrink; ++dx, p += 4) {
          // B G R X; the eye's weights, in fixed point.
          sum += (p[0] * 29 + p[1] * 150 + p[2] * 77) >> 8;
        }
      }
      out[x] = static_cast<std::uint8_t>(sum / area);
    }
  }
  return grey;
}

void darkTextOnLight(GreyPicture& picture, int tile) {
  for (int top = 0; top < picture.height; top += tile) {
    const int height = std::min(tile, picture.height - top);
    for (int left = 0; left < picture.width; left += tile) {
      const int width = std::min(tile, picture.width - left);
      const auto row = [&](int y) {
        return picture.pixels.data() + static_cast<std::size_t>(top + y) * picture.width + left;
      };
      std::int64_t sum = 0;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) sum += row(y)[x];
      }
      if (sum >= std::int64_t{kDarkGround} * width * height) continue;
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row(y)[x] = static_cast<std::uint8_t>(255 - row(y)[x]);
      }
    }
  }
}

}  // namespace snaprill
