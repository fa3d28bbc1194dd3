// Xlib's macros (None, Bool) break GoogleTest's headers when they come first.
#include <gtest/gtest.h>

#include "backends/x11/ximage_bitmap.h"

#include <cstdint>
#include <vector>

namespace snaprill {
namespace {

void finish(XImage& image, int depth) {
  image.format = ZPixmap;
  image.depth = depth;
  image.bitmap_unit = 32;
  image.bitmap_pad = 32;
  image.bitmap_bit_order = LSBFirst;
  ASSERT_NE(XInitImage(&image), 0);
}

// A screen's image as the X server hands it over: B G R and a fourth byte that
// holds anything, rows padded beyond the pixels.
XImage screenImage(int width, int height, std::vector<std::uint8_t>& data) {
  const int bytesPerLine = 4 * width + 8;
  data.assign(static_cast<std::size_t>(bytesPerLine * height), 0xEE);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = data.data() + y * bytesPerLine + 4 * x;
      p[0] = static_cast<std::uint8_t>(x);
      p[1] = static_cast<std::uint8_t>(y);
      p[2] = static_cast<std::uint8_t>(x + y + 7);
      p[3] = 0xFF;
    }
  }
  XImage image{};
  image.width = width;
  image.height = height;
  image.data = reinterpret_cast<char*>(data.data());
  image.byte_order = LSBFirst;
  image.bits_per_pixel = 32;
  image.bytes_per_line = bytesPerLine;
  image.red_mask = 0xFF0000;
  image.green_mask = 0xFF00;
  image.blue_mask = 0xFF;
  finish(image, 24);
  return image;
}

TEST(BitmapFromXImage, EveryWidthKeepsTheColoursAndClearsTheFourthByte) {
  // Widths around the four pixels done at a time, and a screen's.
  for (const int width : {1, 3, 4, 5, 7, 8, 9, 1921}) {
    std::vector<std::uint8_t> data;
    XImage image = screenImage(width, 3, data);
    const Bitmap picture = bitmapFromXImage(image);
    ASSERT_EQ(picture.width(), width);
    ASSERT_EQ(picture.bitsPerPixel(), 32);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = picture.row(y) + 4 * x;
        ASSERT_EQ(p[0], static_cast<std::uint8_t>(x)) << width << " " << x;
        ASSERT_EQ(p[1], static_cast<std::uint8_t>(y));
        ASSERT_EQ(p[2], static_cast<std::uint8_t>(x + y + 7));
        ASSERT_EQ(p[3], 0) << "width " << width << " pixel " << x;
      }
    }
  }
}

TEST(BitmapFromXImage, A16BitScreenIsWidenedToFullChannels) {
  // 5-6-5: white, pure green, and a blue of half strength.
  std::vector<std::uint16_t> pixels = {0xFFFF, 0x07E0, 0x0010, 0};
  XImage image{};
  image.width = 3;
  image.height = 1;
  image.data = reinterpret_cast<char*>(pixels.data());
  image.byte_order = LSBFirst;
  image.bits_per_pixel = 16;
  image.bytes_per_line = 8;
  image.red_mask = 0xF800;
  image.green_mask = 0x07E0;
  image.blue_mask = 0x001F;
  finish(image, 16);
  const Bitmap picture = bitmapFromXImage(image);
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(picture.pixel(2, 0).b, 16 * 255 / 31);
}

}  // namespace
}  // namespace snaprill
