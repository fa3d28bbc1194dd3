// The reader against libpng: files of every colour type, bit depth and interlace
// method, with and without gAMA and tRNS, written by libpng with all its filters,
// must decode to what libpng decodes, after the reader's own rules (16-bit samples
// keep their high byte, alpha is dropped, gAMA maps every sample).
#include <gtest/gtest.h>

#include <random>

#include "formats/png/png_image.h"
#include "support/png_test_libpng.h"
#include "support/png_test_support.h"

namespace snaprill {
namespace {

using pngtest::Bytes;

struct Format {
  int colourType;
  int bitDepth;
};

constexpr Format kFormats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                               {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

enum class Extra { None, Gamma, Transparency };

int channels(int colourType) {
  return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

Bytes makeFile(const Format& f, int interlace, Extra extra, std::uint32_t w, std::uint32_t h,
               std::mt19937& random) {
  pngtest::LibpngWriteOptions o;
  o.width = w;
  o.height = h;
  o.colourType = f.colourType;
  o.bitDepth = f.bitDepth;
  o.interlace = interlace;
  // Small compression buffers spread the image data over many IDAT chunks.
  o.idatSize = extra == Extra::Gamma ? 64 : 8192;
  const auto byte = [&random] { return static_cast<std::uint8_t>(random() & 0xFF); };
  if (f.colourType == 3) {
    for (int i = 0; i < (1 << f.bitDepth); ++i)
      o.palette.push_back(png_color{byte(), byte(), byte()});
  }
  if (extra == Extra::Gamma) o.gamma = 0.7;
  if (extra == Extra::Transparency) {
    if (f.colourType == 3) {
      o.trns.assign(o.palette.size() / 2 + 1, 255);
      o.trns[o.trns.size() / 2] = 0;
    } else if (f.colourType == 0 || f.colourType == 2) {
      const auto sample = [&] {
        return static_cast<png_uint_16>(random() & ((1u << f.bitDepth) - 1));
      };
      o.trnsColour = png_color_16{0, sample(), sample(), sample(), sample()};
    }
  }
  const std::size_t rowBytes = (std::size_t{w} * channels(f.colourType) * f.bitDepth + 7) / 8;
  std::vector<Bytes> rows(h, Bytes(rowBytes));
  for (auto& row : rows)
    for (auto& b : row) b = byte();
  return pngtest::libpngEncode(o, rows);
}

TEST(PngReaderConformance, EveryFormatDecodesAsLibpngDoes) {
  std::mt19937 random(5);
  const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 1}, {13, 7}, {41, 33}};
  int files = 0;
  for (const Format& f : kFormats)
    for (int interlace : {0, 1})
      for (Extra extra : {Extra::None, Extra::Gamma, Extra::Transparency})
        for (const auto& [w, h] : sizes) {
          const Bytes file = makeFile(f, interlace, extra, w, h, random);
          ASSERT_FALSE(file.empty());
          const auto expected = pngtest::libpngDecode(file);
          ASSERT_TRUE(expected);
          const std::string where = "type " + std::to_string(f.colourType) + " depth " +
                                    std::to_string(f.bitDepth) + " interlace " +
                                    std::to_string(interlace) + " extra " +
                                    std::to_string(static_cast<int>(extra)) + " size " +
                                    std::to_string(w) + "x" + std::to_string(h);
          PngImage png;
          ASSERT_NO_THROW(png.loadFromMemory(file.data(), file.size())) << where;
          const Bitmap bitmap = png.toBitmap();
          ASSERT_EQ(bitmap.width(), static_cast<int>(w)) << where;
          ASSERT_EQ(bitmap.height(), static_cast<int>(h)) << where;
          const int expectedBpp = f.colourType == 2 || f.colourType == 6 ? 24
                                  : f.bitDepth == 16                     ? 8
                                  : f.bitDepth == 2                      ? 4
                                  : f.colourType == 4                    ? 8
                                                                         : f.bitDepth;
          EXPECT_EQ(bitmap.bitsPerPixel(), expectedBpp) << where;
          const auto& gamma = png.gammaTable();
          for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x) {
              const std::uint8_t* e = &expected->rgb[3 * (std::size_t{w} * y + x)];
              const Rgb want{gamma[e[0]], gamma[e[1]], gamma[e[2]]};
              ASSERT_EQ(bitmap.pixel(static_cast<int>(x), static_cast<int>(y)), want)
                  << where << " at " << x << "," << y;
            }
          // What was read is written back as what it now is (palette or truecolour).
          if (extra != Extra::Gamma) {
            MemorySink again;
            png.saveTo(again);
            PngImage reread;
            reread.loadFromMemory(again.bytes.data(), again.bytes.size());
            ASSERT_EQ(reread.toBitmap(), bitmap) << where;
          }
          ++files;
        }
  EXPECT_EQ(files, 15 * 2 * 3 * 3);
}

TEST(PngReaderConformance, GammaFollowsTheFormulaAndIsAbsentWithoutGama) {
  const auto tableFor = [](std::optional<double> gamma) {
    pngtest::LibpngWriteOptions o;
    o.gamma = gamma;
    const Bytes file = pngtest::libpngEncode(o, {Bytes{1, 2, 3}});
    PngImage png;
    png.loadFromMemory(file.data(), file.size());
    return png.gammaTable();
  };
  const auto g1 = tableFor(1.0);  // gAMA 100000
  EXPECT_EQ(g1[64], 136);
  EXPECT_EQ(g1[128], 186);
  EXPECT_EQ(g1[192], 224);
  for (const auto& table : {tableFor(0.45455), tableFor(std::nullopt)})
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[static_cast<std::size_t>(i)], i);
}

TEST(PngReaderConformance, TransparencyModesAndAlphaPlane) {
  std::mt19937 random(9);
  // Palette with exactly one fully transparent entry: one colour, that entry's.
  pngtest::LibpngWriteOptions o;
  o.colourType = 3;
  o.bitDepth = 2;
  o.palette = {{1, 1, 1}, {2, 2, 2}, {9, 8, 7}, {4, 4, 4}};
  o.trns = {255, 255, 0};
  Bytes file = pngtest::libpngEncode(o, {Bytes{0}});
  PngImage png;
  png.loadFromMemory(file.data(), file.size());
  EXPECT_EQ(png.transparencyMode(), PngTransparency::OneColour);
  EXPECT_EQ(png.transparentColour(), (Rgb{9, 8, 7}));
  // Two entries below 255: partial, no single colour.
  o.trns = {128, 255, 0};
  file = pngtest::libpngEncode(o, {Bytes{0}});
  png.loadFromMemory(file.data(), file.size());
  EXPECT_EQ(png.transparencyMode(), PngTransparency::Partial);
  EXPECT_EQ(png.transparentColour(), std::nullopt);

  // Truecolour tRNS: the low bytes of the 16-bit samples.
  o = {};
  o.bitDepth = 16;
  o.trnsColour = png_color_16{0, 0x1234, 0x5678, 0x9ABC, 0};
  file = pngtest::libpngEncode(o, {Bytes(6, 0)});
  png.loadFromMemory(file.data(), file.size());
  EXPECT_EQ(png.transparentColour(), (Rgb{0x34, 0x78, 0xBC}));

  // Alpha is read into its plane (high bytes at 16 bits) and left out of the
  // bitmap, which is opaque truecolour.
  o = {};
  o.width = 2;
  o.colourType = 6;
  o.bitDepth = 16;
  file = pngtest::libpngEncode(o, {Bytes{1, 0, 2, 0, 3, 0, 0xAB, 0xCD, 4, 0, 5, 0, 6, 0, 0x12, 0}});
  png.loadFromMemory(file.data(), file.size());
  EXPECT_EQ(png.transparencyMode(), PngTransparency::Partial);
  EXPECT_EQ(png.alphaPlane(), (Bytes{0xAB, 0x12}));
  EXPECT_EQ(png.toBitmap().bitsPerPixel(), 24);
  EXPECT_EQ(png.toBitmap().pixel(1, 0), (Rgb{4, 5, 6}));
  (void)random;
}

}  // namespace
}  // namespace snaprill
