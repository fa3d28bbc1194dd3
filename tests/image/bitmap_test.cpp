#include "image/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/error_kind.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

// A picture whose every pixel differs from its neighbours, in the given format.
Bitmap pattern(int width, int height, int bpp) {
  return testing::noisePicture(width, height, bpp, 99);
}

// Padding bytes after the last pixel of every row, and the unused low bits of the
// last pixel byte for 1 and 4 bpp, must stay zero.
void expectCleanPadding(const Bitmap& b) {
  const std::size_t bits = static_cast<std::size_t>(b.width()) * b.bitsPerPixel();
  for (int y = 0; y < b.height(); ++y) {
    const std::uint8_t* row = b.row(y);
    if (bits % 8) {
      const auto spare = static_cast<std::uint8_t>(0xFFu >> (bits % 8));
      EXPECT_EQ(row[bits / 8] & spare, 0) << "row " << y;
    }
    for (std::size_t i = (bits + 7) / 8; i < b.stride(); ++i) EXPECT_EQ(row[i], 0) << "row " << y;
  }
}

TEST(Bitmap, PixelAccessPerDepthKeepsNeighboursAndPadding) {
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    Bitmap b(5, 3, bpp);
    EXPECT_EQ(b.stride() % 4, 0u);
    EXPECT_EQ(b.stride(), (5u * static_cast<unsigned>(bpp) + 31) / 32 * 4);
    const Rgb white{255, 255, 255};
    b.setPixel(2, 1, white);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(b.pixel(x, y), (x == 2 && y == 1) ? white : Rgb{});
    b.setPixel(4, 2, white);  // last pixel of the last row: next to the padding
    EXPECT_EQ(b.pixel(4, 2), white);
    EXPECT_EQ(b.pixel(3, 2), Rgb{});
    expectCleanPadding(b);
  }
  Bitmap b16(1, 1, 16);
  b16.setPixel(0, 0, Rgb{0xFF, 0x84, 0x10});  // 5-5-5 keeps the top bits, widened back
  EXPECT_EQ(b16.pixel(0, 0), (Rgb{0xFF, 0x84, 0x10}));
  EXPECT_EQ(b16.row(0)[0] | (b16.row(0)[1] << 8), (31 << 10) | (16 << 5) | 2);
}

TEST(Bitmap, NewBitmapsAreBlankAlsoWhenTheyReuseAFreedScreenBuffer) {
  // Screen-sized buffers are kept and handed out again; what the last capture left
  // in them must never show through.
  for (int round = 0; round < 3; ++round) {
    {
      Bitmap used(1920, 1080, 32);
      std::memset(used.bits().data(), 0xAB, used.bits().size());
    }
    const Bitmap fresh(1920, 1080, 32);
    EXPECT_EQ(std::count(fresh.bits().begin(), fresh.bits().end(), 0), fresh.bits().size())
        << round;
  }
}

TEST(Bitmap, DefaultPalettesHaveFullSize) {
  EXPECT_EQ(Bitmap::defaultPalette(1), (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
  const auto vga = Bitmap::defaultPalette(4);
  ASSERT_EQ(vga.size(), 16u);
  const auto p8 = Bitmap::defaultPalette(8);
  ASSERT_EQ(p8.size(), 256u);
  // The 16 VGA colours are all in the 256-colour palette, so 4 -> 8 loses nothing.
  for (const Rgb& c : vga) EXPECT_EQ(p8[nearestPaletteIndex(p8, c)], c);
}

TEST(Bitmap, ConversionDownKeepsPaletteColoursExactly) {
  for (const int to : {1, 4, 8}) {
    SCOPED_TRACE(to);
    const auto palette = Bitmap::defaultPalette(to);
    Bitmap src(static_cast<int>(palette.size()), 2, 32);
    for (int x = 0; x < src.width(); ++x) src.setPixel(x, 0, palette[static_cast<std::size_t>(x)]);
    for (const int via : {32, 24}) {
      const Bitmap out = src.convertedTo(via).convertedTo(to);
      EXPECT_EQ(out.bitsPerPixel(), to);
      EXPECT_EQ(out.palette().size(), std::size_t{1} << to);
      for (int x = 0; x < src.width(); ++x) {
        EXPECT_EQ(out.pixel(x, 0), src.pixel(x, 0)) << x;
        EXPECT_EQ(out.index(x, 1), 0u);  // black is entry 0 everywhere
      }
      expectCleanPadding(out);
    }
  }
}

TEST(Bitmap, ConversionToIndexedMatchesNearestSearchOnEveryPixel) {
  // Noise reaches every cell of the colour cube; the result must be exactly the
  // brute-force nearest entry, ties included.
  const Bitmap src = pattern(257, 129, 32);
  for (const int to : {1, 4, 8}) {
    const Bitmap out = src.convertedTo(to);
    const auto& palette = out.palette();
    for (int y = 0; y < src.height(); ++y)
      for (int x = 0; x < src.width(); ++x)
        ASSERT_EQ(out.index(x, y), nearestPaletteIndex(palette, src.pixel(x, y)))
            << to << " at " << x << "," << y;
  }
  // A colour halfway between black (0) and dark red (1) goes to the lower index.
  Bitmap red(2, 1, 24);
  red.setPixel(0, 0, Rgb{64, 0, 0});
  red.setPixel(1, 0, Rgb{65, 0, 0});
  EXPECT_EQ(red.convertedTo(4).index(0, 0), 0u);
  EXPECT_EQ(red.convertedTo(4).index(1, 0), 1u);
}

TEST(Bitmap, ConversionsBetweenTrueColourFormats) {
  const Bitmap src = pattern(7, 5, 32);
  const Bitmap as24 = src.convertedTo(24);
  const Bitmap as16 = src.convertedTo(16);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const Rgb c = src.pixel(x, y);
      EXPECT_EQ(as24.pixel(x, y), c);
      const Rgb c16 = as16.pixel(x, y);
      EXPECT_EQ(c16.r >> 3, c.r >> 3);
      EXPECT_EQ(c16.g >> 3, c.g >> 3);
      EXPECT_EQ(c16.b >> 3, c.b >> 3);
    }
  EXPECT_EQ(as24.convertedTo(32), src.convertedTo(24).convertedTo(32));
  EXPECT_EQ(as24.convertedTo(32).convertedTo(24), as24);
  // Up from 24 bits the X byte is 0 too, whatever the memory held before.
  for (int round = 0; round < 2; ++round) {
    const Bitmap up = as24.convertedTo(32);
    for (int x = 0; x < up.width(); ++x) EXPECT_EQ(up.row(up.height() - 1)[4 * x + 3], 0);
  }
  EXPECT_EQ(as16.convertedTo(24).convertedTo(16), as16);
  EXPECT_EQ(as16.convertedTo(32).convertedTo(16), as16);
  // Up from indexed formats gives the palette colours; the 32-bit X byte is 0.
  const Bitmap as4 = src.convertedTo(4);
  const Bitmap up = as4.convertedTo(32);
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      EXPECT_EQ(up.pixel(x, y), as4.pixel(x, y));
      EXPECT_EQ(up.row(y)[4 * x + 3], 0);
    }
  for (const int bpp : {1, 4, 8, 16, 24}) expectCleanPadding(src.convertedTo(bpp));
}

TEST(Bitmap, ConvertToSameFormatKeepsCustomPalette) {
  Bitmap b(3, 1, 8);
  b.palette()[1] = Rgb{1, 2, 3};
  b.setIndex(0, 0, 1);
  Bitmap copy = b;
  copy.convertTo(8);
  EXPECT_EQ(copy, b);
  EXPECT_EQ(copy.convertedTo(32).pixel(0, 0), (Rgb{1, 2, 3}));
}

TEST(Bitmap, RefusesBadFormatsAndOversizedBuffers) {
  using K = BitmapErrorKind;
  const auto kindOf = [](int w, int h, int bpp) {
    return testing::errorKind<BitmapError>([&] { static_cast<void>(Bitmap(w, h, bpp)); });
  };
  EXPECT_EQ(kindOf(1, 1, 2), K::InvalidFormat);
  EXPECT_EQ(kindOf(-1, 1, 32), K::InvalidSize);
  EXPECT_EQ(kindOf(1, -1, 32), K::InvalidSize);
  EXPECT_EQ(kindOf(65536, 65536, 32), K::TooLarge);
  EXPECT_EQ(kindOf(0x7FFFFFFF, 0x7FFFFFFF, 1), K::TooLarge);
  EXPECT_TRUE(Bitmap(0, 10, 24).empty());
  // The size refused travels with the error, for the message that names it.
  try {
    static_cast<void>(Bitmap(70000, 9000, 32));
    ADD_FAILURE() << "made";
  } catch (const BitmapError& e) {
    EXPECT_EQ(e.width(), 70000);
    EXPECT_EQ(e.height(), 9000);
  }
}

}  // namespace
}  // namespace snaprill
