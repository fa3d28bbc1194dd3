#include <gtest/gtest.h>

#include "image/bitmap.h"

namespace snaprill {
namespace {

const Rgb kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0};
const Rgb kMarker{1, 2, 3};

Bitmap filled(int width, int height, Rgb c, int bpp = 32) {
  Bitmap b(width, height, bpp);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.setPixel(x, y, c);
  return b;
}

Rgb colour(int x, int y) {
  return Rgb{static_cast<std::uint8_t>(40 * x + 10), static_cast<std::uint8_t>(40 * y + 10), 77};
}

Bitmap numbered(int width, int height) {
  Bitmap b(width, height, 32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.setPixel(x, y, colour(x, y));
  return b;
}

TEST(stretchCopy, EnlargingReplicatesPixels) {
  const Bitmap src = numbered(2, 3);
  Bitmap dst(4, 9, 32);
  stretchCopy(dst, Rect{0, 0, 4, 9}, src, Rect{0, 0, 2, 3});
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.pixel(x, y), colour(x / 2, y / 3)) << x << "," << y;
}

TEST(stretchCopy, ShrinkingAndsTheDroppedRowsAndColumns) {
  Bitmap src(2, 1, 32);
  src.setPixel(0, 0, kWhite);
  src.setPixel(1, 0, kBlack);
  Bitmap dst = filled(1, 1, kMarker);
  stretchCopy(dst, Rect{0, 0, 1, 1}, src, Rect{0, 0, 2, 1});
  EXPECT_EQ(dst.pixel(0, 0), kBlack);

  // Halving: a one-pixel line is ANDed into the row it shares a destination row with.
  Bitmap lines(4, 4, 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      lines.setPixel(x, y, y == 1 ? Rgb{0xF0, 0x3C, 0xFF} : Rgb{0x3F, 0xFF, 0x0F});
  Bitmap half(2, 2, 24);
  stretchCopy(half, Rect{0, 0, 2, 2}, lines, Rect{0, 0, 4, 4});
  EXPECT_EQ(half.pixel(0, 0), (Rgb{0x30, 0x3C, 0x0F}));
  EXPECT_EQ(half.pixel(1, 1), (Rgb{0x3F, 0xFF, 0x0F}));

  // Uneven shrink 3 -> 2: the first destination pixel takes one column, the second two.
  const Bitmap three = numbered(3, 1);
  Bitmap two(2, 1, 32);
  stretchCopy(two, Rect{0, 0, 2, 1}, three, Rect{0, 0, 3, 1});
  EXPECT_EQ(two.pixel(0, 0), colour(0, 0));
  const Rgb a = colour(1, 0), b = colour(2, 0);
  EXPECT_EQ(two.pixel(1, 0),
            (Rgb{static_cast<std::uint8_t>(a.r & b.r), static_cast<std::uint8_t>(a.g & b.g),
                 static_cast<std::uint8_t>(a.b & b.b)}));
}

TEST(stretchCopy, SourceOutsideLeavesDestinationAndDestinationIsClipped) {
  const Bitmap src = numbered(2, 2);
  Bitmap dst = filled(3, 3, kMarker);
  // Same scale, source shifted up-left by one: the first row and column see nothing.
  stretchCopy(dst, Rect{0, 0, 3, 3}, src, Rect{-1, -1, 2, 2});
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(dst.pixel(x, y), (x == 0 || y == 0) ? kMarker : colour(x - 1, y - 1))
          << x << "," << y;

  // A destination rectangle hanging over every edge only writes inside.
  Bitmap small = filled(2, 2, kMarker);
  stretchCopy(small, Rect{-2, -2, 6, 6}, src, Rect{0, 0, 2, 2});  // doubled: 4x4 blocks
  EXPECT_EQ(small.pixel(0, 0), colour(0, 0));
  EXPECT_EQ(small.pixel(1, 1), colour(0, 0));

  // Empty or inverted rectangles do nothing.
  Bitmap untouched = filled(2, 2, kMarker);
  stretchCopy(untouched, Rect{0, 0, 0, 2}, src, Rect{0, 0, 2, 2});
  stretchCopy(untouched, Rect{0, 0, 2, 2}, src, Rect{2, 0, 0, 2});
  EXPECT_EQ(untouched, filled(2, 2, kMarker));
}

TEST(stretchCopy, MixedFormatsStoreColoursInTheDestinationFormat) {
  Bitmap src(2, 1, 8);
  src.setIndex(0, 0, 13);  // red in the 256-colour palette
  src.setIndex(1, 0, 19);  // white
  Bitmap dst(4, 1, 24);
  stretchCopy(dst, Rect{0, 0, 4, 1}, src, Rect{0, 0, 2, 1});
  EXPECT_EQ(dst.pixel(1, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(dst.pixel(2, 0), kWhite);
  Bitmap mono(1, 1, 1);
  stretchCopy(mono, Rect{0, 0, 1, 1}, src, Rect{0, 0, 2, 1});  // red AND white = red -> black
  EXPECT_EQ(mono.index(0, 0), 0u);
}

TEST(drawBitmap, NegativePositionShowsTheLowerRightPart) {
  const Bitmap overlay = numbered(4, 4);
  for (const int bpp : {32, 24, 8}) {
    Bitmap dst = filled(5, 5, kWhite, bpp);
    drawBitmap(dst, -2, -3, overlay);
    const Bitmap expectedSource = overlay.convertedTo(bpp);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) {
        const bool covered = x < 2 && y < 1;
        EXPECT_EQ(dst.pixel(x, y), covered ? expectedSource.pixel(x + 2, y + 3) : kWhite)
            << bpp << " at " << x << "," << y;
      }
  }
  Bitmap dst = filled(3, 3, kWhite);
  drawBitmap(dst, -4, 0, overlay);  // entirely outside
  drawBitmap(dst, 0, 3, overlay);
  drawBitmap(dst, 2, 2, overlay);  // only the top-left pixel lands
  EXPECT_EQ(dst.pixel(2, 2), colour(0, 0));
  EXPECT_EQ(dst.pixel(1, 2), kWhite);
  EXPECT_EQ(dst.pixel(2, 1), kWhite);
}

}  // namespace
}  // namespace snaprill
