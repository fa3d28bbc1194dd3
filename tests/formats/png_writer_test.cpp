#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "formats/png/png_idat_writer.h"
#include "formats/png/png_image.h"
#include "support/error_kind.h"
#include "support/pictures.h"
#include "support/png_test_libpng.h"
#include "support/png_test_support.h"

namespace snaprill {
namespace {

using pngtest::Bytes;

Bytes encode(const Bitmap& picture, int level) {
  MemorySink out;
  writePng(picture, level, kPngFilterNone, out);
  return out.bytes;
}

// The filter-type byte of every row of non-interlaced image data.
std::vector<std::uint8_t> filterBytes(const Bytes& data, std::size_t rowBytes) {
  std::vector<std::uint8_t> types;
  for (std::size_t pos = 0; pos < data.size(); pos += 1 + rowBytes) types.push_back(data[pos]);
  return types;
}

TEST(PngWriter, OnePixelCaptureGivesTheHeaderAndRowOfTheFormat) {
  Bitmap picture(1, 1, 32);
  picture.setPixel(0, 0, Rgb{10, 20, 30});
  const Bytes file = encode(picture, 9);
  const auto chunks = pngtest::chunksOf(file);
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[0].type, "IHDR");
  EXPECT_EQ(chunks[0].data, pngtest::ihdr(1, 1, 8, 2, 0));
  EXPECT_EQ(chunks[1].type, "IDAT");
  EXPECT_EQ(chunks[2].type, "IEND");
  EXPECT_TRUE(chunks[2].data.empty());
  // Every CRC agrees with zlib's, the independent CRC-32.
  for (const auto& c : chunks) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(c.type.data()), 4);
    if (!c.data.empty()) crc = crc32(crc, c.data.data(), static_cast<uInt>(c.data.size()));
    EXPECT_EQ(c.crc, crc) << c.type;
  }
  EXPECT_EQ(pngtest::imageData(file), (Bytes{0, 10, 20, 30}));
}

// The slices of one stream: every IDAT but the last is exactly 65535 bytes, the
// last holds the remaining 1 to 65535, and nothing else is written. Stored deflate
// grows almost byte for byte with its input, so scanning input sizes hits the
// stream lengths on both sides of the slice boundaries.
TEST(PngWriter, IdatChunksAreFullSlicesButTheLast) {
  std::vector<std::size_t> seen;
  for (std::size_t input : {std::size_t{65400}, std::size_t{99700}}) {
    for (std::size_t n = input; n < input + 300; ++n) {
      MemorySink out;
      {
        png::IdatWriter idat(out, 0);
        const Bytes zeros(n, 0);
        idat.feed(zeros.data(), zeros.size());
        idat.finish();
      }
      Bytes file = pngtest::kSignature;
      file.insert(file.end(), out.bytes.begin(), out.bytes.end());
      const auto chunks = pngtest::chunksOf(file);
      ASSERT_FALSE(chunks.empty());
      std::size_t total = 0;
      Bytes stream;
      for (std::size_t i = 0; i < chunks.size(); ++i) {
        ASSERT_EQ(chunks[i].type, "IDAT");
        if (i + 1 < chunks.size()) {
          EXPECT_EQ(chunks[i].data.size(), 65535u);
        }
        EXPECT_GE(chunks[i].data.size(), 1u);
        total += chunks[i].data.size();
        stream.insert(stream.end(), chunks[i].data.begin(), chunks[i].data.end());
      }
      EXPECT_EQ(pngtest::zlibInflate(stream).size(), n);
      seen.push_back(total);
      if (total == 65535) {
        EXPECT_EQ(chunks.size(), 1u);
      }
      if (total == 65536) {
        EXPECT_EQ(chunks.back().data.size(), 1u);
      }
      if (total == 100000) {
        EXPECT_EQ(chunks.back().data.size(), 34465u);
      }
    }
  }
  for (std::size_t length : {65535u, 65536u, 100000u})
    EXPECT_NE(std::find(seen.begin(), seen.end(), length), seen.end()) << length;
}

TEST(PngWriter, EveryLevelGivesAFileLibpngReadsBackExactly) {
  const Bitmap picture = testing::screenshotLike(301, 157);
  for (int level = 0; level <= 9; ++level) {
    const Bytes file = encode(picture, level);
    const auto idat = pngtest::chunksOf(file)[1];
    // The zlib header's level hint, and at level 0 a stored first block (BTYPE 00).
    if (level == 0) {
      EXPECT_EQ(idat.data[2] & 0x06, 0) << "stored block";
    }
    const Bytes data = pngtest::imageData(file);
    ASSERT_EQ(data.size(), 157u * (1 + 3 * 301));
    for (std::uint8_t type : filterBytes(data, 3 * 301)) ASSERT_EQ(type, 0) << level;
    const auto decoded = pngtest::libpngDecode(file);
    ASSERT_TRUE(decoded) << level;
    for (int y = 0; y < 157; y += 3)
      for (int x = 0; x < 301; ++x) {
        const Rgb c = picture.pixel(x, y);
        const std::uint8_t* d = &decoded->rgb[3 * (std::size_t{301} * y + x)];
        ASSERT_EQ((Rgb{d[0], d[1], d[2]}), c) << level << " at " << x << "," << y;
      }
  }
}

TEST(PngWriter, PaletteBitmapsKeepTheirDepthAndWholeColourTable) {
  Bitmap eight(5, 2, 8);
  eight.setIndex(3, 1, 200);
  Bytes file = encode(eight, 6);
  auto chunks = pngtest::chunksOf(file);
  EXPECT_EQ(chunks[0].data, pngtest::ihdr(5, 2, 8, 3, 0));
  ASSERT_EQ(chunks[1].type, "PLTE");
  EXPECT_EQ(chunks[1].data.size(), 768u);
  EXPECT_EQ(pngtest::imageData(file), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 0}));

  // 1 bit: two entries, eight pixels to a byte, leftmost in the high bit.
  Bitmap one(10, 1, 1);
  one.palette() = {Rgb{1, 2, 3}, Rgb{4, 5, 6}};
  for (int x : {0, 2, 9}) one.setIndex(x, 0, 1);
  file = encode(one, 6);
  chunks = pngtest::chunksOf(file);
  EXPECT_EQ(chunks[0].data, pngtest::ihdr(10, 1, 1, 3, 0));
  EXPECT_EQ(chunks[1].data, (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(pngtest::imageData(file), (Bytes{0, 0b10100000, 0b01000000}));
}

TEST(PngWriter, SixteenAndTwentyFourBitBitmapsGiveTruecolour) {
  const Bitmap source = testing::screenshotLike(33, 9);
  for (int bpp : {16, 24}) {
    const Bitmap picture = source.convertedTo(bpp);
    const Bytes file = encode(picture, 6);
    EXPECT_EQ(pngtest::chunksOf(file)[0].data, pngtest::ihdr(33, 9, 8, 2, 0));
    const auto decoded = pngtest::libpngDecode(file);
    ASSERT_TRUE(decoded);
    for (int x = 0; x < 33; ++x) {
      const std::uint8_t* d = &decoded->rgb[3 * (33 * 4 + std::size_t(x))];
      EXPECT_EQ((Rgb{d[0], d[1], d[2]}), picture.pixel(x, 4)) << bpp;
    }
  }
}

TEST(PngWriter, OtherFilterSetsRoundTripAndWritingTwiceGivesTheSameFile) {
  const Bitmap picture = testing::screenshotLike(64, 40, 7);
  for (std::uint8_t filters :
       {std::uint8_t{kPngFilterSub}, std::uint8_t{kPngFilterPaeth}, std::uint8_t{0x1F}}) {
    PngImage png;
    png.filterSet = filters;
    png.assign(picture);
    MemorySink first, second;
    png.saveTo(first);
    png.saveTo(second);
    EXPECT_EQ(first.bytes, second.bytes);
    MemorySink direct;
    writePng(picture, png.compressionLevel, filters, direct);
    EXPECT_EQ(direct.bytes, first.bytes);
    const auto decoded = pngtest::libpngDecode(first.bytes);
    ASSERT_TRUE(decoded);
    PngImage back;
    back.loadFromMemory(first.bytes.data(), first.bytes.size());
    const Bitmap read = back.toBitmap();
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 64; ++x) ASSERT_EQ(read.pixel(x, y), picture.pixel(x, y));
  }
}

TEST(PngWriter, EmptyPictureAndFailingSinkRaise) {
  PngImage png;
  EXPECT_EQ(testing::errorKind<FormatError>([&] { png.assign(Bitmap()); }), FormatErrorKind::Empty);
  MemorySink unused;
  EXPECT_EQ(testing::errorKind<FormatError>([&] { writePng(Bitmap(), 9, kPngFilterNone, unused); }),
            FormatErrorKind::Empty);
  struct FailingSink : ByteSink {
    void write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
  } sink;
  png.assign(Bitmap(4, 4, 32));
  EXPECT_THROW(png.saveTo(sink), std::runtime_error);
}

}  // namespace
}  // namespace snaprill
