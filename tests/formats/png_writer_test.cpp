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
        png::IdatSlices idat(out);
        const Bytes zeros(n, 0);
        deflateInParts(
            n,
            [&](std::size_t from, std::size_t to, const DataPiece& take) {
              take(zeros.data() + from, to - from);
            },
            0, DeflateSplit{n, 1}, idat);
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

// The compressed stream made in parts on several threads and joined. Wherever the
// parts begin (inside a row, at every row, inside the 32 KiB window of the part
// before, in parts smaller than a row, one part larger than the picture) and whatever
// filter looks back at the row above, the joined stream inflates, checksum and all, to
// the image data of one deflate over the whole, libpng and our reader read it back, and
// the dictionaries keep it within a percent of the one-part size.
TEST(PngWriter, StreamsMadeInPartsJoinIntoTheSameImageData) {
  const Bitmap truecolour = testing::screenshotLike(200, 150, 3);  // rows of 601 bytes
  // One row of noise over and over: only a part that knows the rows before it finds
  // its first row in them.
  const Bitmap noiseRow = testing::screenshotLike(200, 150, 5);
  const Bitmap repeated =
      testing::pictureOf(200, 150, [&](int x, int) { return noiseRow.pixel(x, 80); });
  Bitmap eightBit(90, 40, 8), oneBit(45, 33, 1);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 90; ++x) eightBit.setIndex(x, y, static_cast<std::uint8_t>(x * y / 7));
  for (int y = 0; y < 33; ++y)
    for (int x = 0; x < 45; ++x) oneBit.setIndex(x, y, (x + y / 3) % 3 == 0);
  struct Case {
    const Bitmap* picture;
    std::uint8_t filters;
    std::size_t partBytes;
    int level;
  };
  const Case cases[] = {
      {&truecolour, kPngFilterNone, 20000, 6},    // rows split, dictionaries cut to 32 KiB
      {&truecolour, kPngFilterNone, 601, 9},      // a part of one row, every row
      {&truecolour, kPngFilterNone, 250, 1},      // parts smaller than a row
      {&truecolour, kPngFilterNone, 1 << 20, 6},  // a picture smaller than a part
      {&truecolour, kPngFilterNone, 30001, 0},    // stored blocks
      {&repeated, kPngFilterNone, 7000, 6},      {&truecolour, kPngFilterSub, 7000, 6},
      {&truecolour, kPngFilterUp, 7000, 6},      {&truecolour, kPngFilterAverage, 7000, 6},
      {&truecolour, kPngFilterPaeth, 7000, 9},   {&truecolour, 0x1F, 7000, 6},
      {&eightBit, kPngFilterNone, 333, 9},       {&oneBit, kPngFilterPaeth, 7, 6},
  };
  for (const Case& c : cases) {
    const Bitmap& picture = *c.picture;
    const DeflateSplit onePart{SIZE_MAX, 1};
    MemorySink whole;
    writePng(picture, c.level, c.filters, whole, &onePart);
    const Bytes wholeData = pngtest::imageData(whole.bytes);
    ASSERT_FALSE(wholeData.empty());
    for (int threads : {1, 3}) {
      SCOPED_TRACE(::testing::Message() << "part " << c.partBytes << " filters " << int(c.filters)
                                        << " level " << c.level << " threads " << threads);
      const DeflateSplit split{c.partBytes, threads};
      MemorySink parts;
      writePng(picture, c.level, c.filters, parts, &split);
      EXPECT_EQ(pngtest::imageData(parts.bytes), wholeData);
      const std::size_t count = (wholeData.size() + c.partBytes - 1) / c.partBytes;
      // Each part starts a block with code tables of its own, a few dozen bytes.
      EXPECT_LE(parts.bytes.size(), whole.bytes.size() * 101 / 100 + 64 * count);
      const auto decoded = pngtest::libpngDecode(parts.bytes);
      ASSERT_TRUE(decoded);
      PngImage back;
      back.loadFromMemory(parts.bytes.data(), parts.bytes.size());
      const Bitmap read = back.toBitmap();
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          const Rgb expected = picture.pixel(x, y);
          const std::uint8_t* d = &decoded->rgb[3 * (std::size_t(picture.width()) * y + x)];
          ASSERT_EQ((Rgb{d[0], d[1], d[2]}), expected) << x << "," << y;
          ASSERT_EQ(read.pixel(x, y), expected) << x << "," << y;
        }
    }
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
  // Also while parts are still being made on other threads.
  const DeflateSplit parts{500, 3};
  EXPECT_THROW(writePng(testing::screenshotLike(300, 200), 6, kPngFilterNone, sink, &parts),
               std::runtime_error);
}

}  // namespace
}  // namespace snaprill
