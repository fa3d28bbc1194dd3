#include "image/packed_bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/pictures.h"

namespace snaprill {
namespace {

// One colour, but for one pixel in row `oddRow` when it is given.
Bitmap uniformRows(int width, int height, int bpp, int oddRow = -1) {
  Bitmap b(width, height, bpp);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.setPixel(x, y, Rgb{200, 10, 7});
  if (oddRow >= 0) b.setPixel(width / 2, oddRow, Rgb{1, 2, 3});
  return b;
}

// Faults: a row's padding, a palette or the bytes of an indexed format lost; a run
// or literal stretch cut wrong at a row's end (odd widths, a run ending the row, a
// row of one word); rows "as above" counted one off, or one spilling over a row
// that differs; a limit that lets a photo be packed at full cost.
TEST(PackedBitmap, GivesBackEveryByteAndPacksOnlyWhereItPays) {
  struct Case {
    std::string name;
    Bitmap picture;
    bool packs;         // within half the picture's bytes
    double mostOfSize;  // packed bytes / picture bytes, at most
  };
  const Case cases[] = {
      {"screenshot, odd width", testing::screenshotLike(301, 197), true, 0.25},
      {"same rows, 24 bpp padded", uniformRows(37, 9, 24), true, 0.15},
      {"a row that differs among rows as above", uniformRows(5, 8, 32, 4), true, 0.5},
      {"one pixel", uniformRows(1, 1, 32), true, 2.0},
      {"runs, a noisy fourth byte", testing::runsPicture(67, 13, 3, 9), false, 0},
      {"photo", testing::noisePicture(64, 40, 32, 5), false, 0},
      {"1 bpp", testing::noisePicture(33, 7, 1, 2), false, 0},
      {"4 bpp", testing::noisePicture(9, 5, 4, 3), false, 0},
      {"8 bpp", testing::noisePicture(13, 6, 8, 4), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t size = c.picture.bits().size();
    const auto packed = PackedBitmap::pack(c.picture, std::max<std::size_t>(size / 2, 8));
    ASSERT_EQ(packed.has_value(), c.packs);
    if (packed) {
      EXPECT_LE(static_cast<double>(packed->bytes()), c.mostOfSize * static_cast<double>(size));
      EXPECT_EQ(packed->unpack(), c.picture);
    }
    const auto whatever = PackedBitmap::pack(c.picture, SIZE_MAX);
    ASSERT_TRUE(whatever.has_value());
    EXPECT_EQ(whatever->unpack(), c.picture);
  }
}

}  // namespace
}  // namespace snaprill
