#include "formats/bmp/bmp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bitmap pattern(int width, int height, int bpp) {
  return testing::noisePicture(width, height, bpp, 7u + static_cast<std::uint32_t>(width));
}

Bytes write(const Bitmap& b) {
  MemorySink sink;
  writeBmp(b, sink);
  return sink.bytes;
}

Bitmap read(const Bytes& bytes) {
  return readBmp(bytes.data(), bytes.size());
}

std::uint32_t u32At(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

// Builds bitmap files field by field for the reader's variants.
struct FileBuilder {
  Bytes bytes;
  void u8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void raw(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
  // File header with the bits offset; sizes are patched by finish().
  void fileHeader(std::uint32_t bitsOffset) {
    raw({'B', 'M'});
    u32(0);
    u32(0);
    u32(bitsOffset);
  }
  // An info header of headerSize bytes (40 and up); masks go where V2+ headers keep them.
  void infoHeader(std::uint32_t headerSize, std::int32_t width, std::int32_t height, unsigned bpp,
                  std::uint32_t compression, std::uint32_t coloursUsed = 0,
                  const std::vector<std::uint32_t>& masks = {}) {
    const std::size_t start = bytes.size();
    u32(headerSize);
    u32(static_cast<std::uint32_t>(width));
    u32(static_cast<std::uint32_t>(height));
    u16(1);
    u16(bpp);
    u32(compression);
    u32(0);
    u32(2835);
    u32(2835);
    u32(coloursUsed);
    u32(0);
    for (std::uint32_t m : masks) {
      if (bytes.size() - start < headerSize) u32(m);
    }
    while (bytes.size() - start < headerSize) u8(0);
  }
  Bytes finish() {
    Bytes out = bytes;
    const auto size = static_cast<std::uint32_t>(out.size());
    for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    return out;
  }
};

TEST(BmpFile, RoundTripsEveryDepthAndOddWidthWithExactHeaders) {
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (int width = 1; width <= 9; ++width) {
      SCOPED_TRACE(std::to_string(bpp) + " bpp, width " + std::to_string(width));
      Bitmap picture = pattern(width, 3, bpp);
      if (bpp == 8) picture.palette()[255] = Rgb{1, 2, 3};  // any palette survives
      const Bytes file = write(picture);
      const std::uint32_t entries = bpp <= 8 ? 1u << bpp : 0u;
      const std::uint32_t stride = (static_cast<std::uint32_t>(width * bpp) + 31) / 32 * 4;
      ASSERT_EQ(file.size(), 54 + 4 * entries + 3 * stride);
      EXPECT_EQ(file[0], 'B');
      EXPECT_EQ(file[1], 'M');
      EXPECT_EQ(u32At(file, 2), file.size());
      EXPECT_EQ(u32At(file, 10), 54 + 4 * entries);
      EXPECT_EQ(u32At(file, 14), 40u);
      EXPECT_EQ(u32At(file, 18), static_cast<std::uint32_t>(width));
      EXPECT_EQ(u32At(file, 22), 3u);  // positive: bottom-up
      EXPECT_EQ(file[28], bpp);
      EXPECT_EQ(u32At(file, 30), 0u);  // BI_RGB
      EXPECT_EQ(u32At(file, 34), 3 * stride);
      // The first stored row is the bottom one.
      EXPECT_EQ(file[54 + 4 * entries], picture.row(2)[0]);
      EXPECT_EQ(read(file), picture);
    }
  }
  EXPECT_TRUE(write(Bitmap()).empty());
}

TEST(BmpFile, ReadsTopDownCoreHeaderAndShortColourTables) {
  // 24 bpp stored top down.
  const Bitmap picture = pattern(3, 2, 24);
  FileBuilder top;
  top.fileHeader(54);
  top.infoHeader(40, 3, -2, 24, 0);
  for (int y = 0; y < 2; ++y) top.raw(Bytes(picture.row(y), picture.row(y) + picture.stride()));
  EXPECT_EQ(read(top.finish()), picture);

  // OS/2 core header, 4 bpp, colour table of RGB triples.
  FileBuilder core;
  core.fileHeader(14 + 12 + 16 * 3);
  core.u32(12);
  core.u16(3);
  core.u16(1);
  core.u16(1);
  core.u16(4);
  for (unsigned i = 0; i < 16; ++i)
    core.raw({static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i)});
  core.raw({0x1F, 0x20, 0, 0});
  const Bitmap fromCore = read(core.finish());
  ASSERT_EQ(fromCore.bitsPerPixel(), 4);
  EXPECT_EQ(fromCore.pixel(0, 0), (Rgb{254, 0, 1}));
  EXPECT_EQ(fromCore.pixel(1, 0), (Rgb{240, 0, 15}));
  EXPECT_EQ(fromCore.pixel(2, 0), (Rgb{253, 0, 2}));

  // 8 bpp with only two colours stored: the palette is filled up with black.
  FileBuilder shortTable;
  shortTable.fileHeader(54 + 8);
  shortTable.infoHeader(40, 2, 1, 8, 0, 2);
  shortTable.raw({10, 20, 30, 0, 40, 50, 60, 0});
  shortTable.raw({1, 200, 0, 0});
  const Bitmap fromShort = read(shortTable.finish());
  ASSERT_EQ(fromShort.palette().size(), 256u);
  EXPECT_EQ(fromShort.pixel(0, 0), (Rgb{60, 50, 40}));
  EXPECT_EQ(fromShort.pixel(1, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(fromShort.index(1, 0), 200u);
}

TEST(BmpFile, ReadsBitfieldsAndLaterHeaders) {
  // 16 bpp 5-6-5 becomes 24 bpp with the channels widened.
  FileBuilder rgb565;
  rgb565.fileHeader(54 + 12);
  rgb565.infoHeader(40, 2, 1, 16, 3);
  rgb565.u32(0xF800);
  rgb565.u32(0x07E0);
  rgb565.u32(0x001F);
  rgb565.u16(0xFFFF);
  rgb565.u16((16u << 11) | (32u << 5) | 1u);
  const Bitmap from565 = read(rgb565.finish());
  ASSERT_EQ(from565.bitsPerPixel(), 24);
  EXPECT_EQ(from565.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(from565.pixel(1, 0), (Rgb{132, 130, 8}));

  // 16 bpp bitfields with the plain 5-5-5 masks stays 16 bpp, in a V4 header.
  FileBuilder v4;
  v4.fileHeader(14 + 108);
  v4.infoHeader(108, 1, 1, 16, 3, 0, {0x7C00, 0x03E0, 0x001F, 0});
  v4.u16(0x7C1F);
  v4.u16(0);
  const Bitmap fromV4 = read(v4.finish());
  ASSERT_EQ(fromV4.bitsPerPixel(), 16);
  EXPECT_EQ(fromV4.pixel(0, 0), (Rgb{255, 0, 255}));

  // 32 bpp with the colour bytes in the high three bytes (V5 header), top down.
  FileBuilder v5;
  v5.fileHeader(14 + 124);
  v5.infoHeader(124, 1, -2, 32, 3, 0, {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF});
  v5.raw({0x00, 0x30, 0x20, 0x10});
  v5.raw({0xFF, 0x01, 0x02, 0x03});
  const Bitmap fromV5 = read(v5.finish());
  ASSERT_EQ(fromV5.bitsPerPixel(), 32);
  EXPECT_EQ(fromV5.pixel(0, 0), (Rgb{0x10, 0x20, 0x30}));
  EXPECT_EQ(fromV5.pixel(0, 1), (Rgb{0x03, 0x02, 0x01}));

  // A V5 header with BI_RGB ignores whatever masks it carries.
  FileBuilder plain;
  plain.fileHeader(14 + 124);
  plain.infoHeader(124, 1, 1, 32, 0, 0, {0xFF, 0xFF00, 0xFF0000, 0});
  plain.raw({0x30, 0x20, 0x10, 0});
  EXPECT_EQ(read(plain.finish()).pixel(0, 0), (Rgb{0x10, 0x20, 0x30}));
}

TEST(BmpFile, ReadsRunLengthEncodedPictures) {
  // RLE8, 5 x 3: bottom row: run of 2 x index 1, literal of 3 (4, 5, 6, padded);
  // end of row; middle row: delta (2, 1) to the top row, x = 2; literal 3 (6, 7, 8);
  // a run past the right edge (dropped); end of picture. Skipped pixels stay 0.
  FileBuilder rle8;
  rle8.fileHeader(54 + 64);
  rle8.infoHeader(40, 5, 3, 8, 1, 16);
  for (unsigned i = 0; i < 16; ++i) rle8.raw({static_cast<std::uint8_t>(i), 0, 0, 0});
  rle8.raw({2, 1, 0, 3, 4, 5, 6, 0, 0, 0, 0, 2, 2, 1, 0, 3, 6, 7, 8, 0, 2, 9, 0, 1});
  const Bytes file8 = rle8.finish();
  const Bitmap b8 = read(file8);
  ASSERT_EQ(b8.bitsPerPixel(), 8);
  const unsigned expected8[3][5] = {{0, 0, 6, 7, 8}, {0, 0, 0, 0, 0}, {1, 1, 4, 5, 6}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b8.index(x, y), expected8[y][x]) << x << "," << y;

  // RLE4, 5 x 2: bottom row: run of 5 alternating 1 and 2; EOL; top row: literal of
  // 3 nibbles (3, 4, 5) padded to 2 bytes, then a run of 2 x (6, 7); end of picture.
  FileBuilder rle4;
  rle4.fileHeader(54 + 64);
  rle4.infoHeader(40, 5, 2, 4, 2);
  for (unsigned i = 0; i < 16; ++i) rle4.raw({static_cast<std::uint8_t>(i), 0, 0, 0});
  rle4.raw({5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 2, 0x67, 0, 1});
  const Bitmap b4 = read(rle4.finish());
  ASSERT_EQ(b4.bitsPerPixel(), 4);
  const unsigned expected4[2][5] = {{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b4.index(x, y), expected4[y][x]) << x << "," << y;

  // Every cut of the stream before the end marker is an error, not a partial picture.
  for (std::size_t cut = 0; cut < file8.size(); ++cut) {
    EXPECT_THROW(readBmp(file8.data(), cut), FormatError) << cut;
  }
}

// base with the 32-bit little-endian value v at offset at.
Bytes patched(std::size_t at, std::uint32_t v, Bytes base) {
  for (std::size_t i = 0; i < 4; ++i) base.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
  return base;
}

void expectFormatError(const Bytes& file, const std::string& why) {
  EXPECT_THROW(read(file), FormatError) << why;
}

TEST(BmpFile, MalformedFilesRaiseFormatError) {
  const Bytes good8 = write(pattern(5, 3, 8));
  const Bytes good24 = write(pattern(3, 2, 24));
  for (const Bytes* good : {&good8, &good24}) {
    for (std::size_t cut = 0; cut < good->size(); ++cut) {
      EXPECT_THROW(readBmp(good->data(), cut), FormatError) << cut;
    }
  }
  expectFormatError(patched(0, 0x4D42 ^ 0x0101, good24), "signature");
  expectFormatError(patched(10, 0xFFFFFFFF, good24), "offset far beyond the end");
  expectFormatError(patched(10, static_cast<std::uint32_t>(good24.size()) + 1, good24),
                    "offset past end");
  expectFormatError(patched(10, 20, good24), "offset inside the header");
  expectFormatError(patched(14, 0, good24), "header size 0");
  expectFormatError(patched(14, 200, good24), "header size 200");
  expectFormatError(patched(14, 0xFFFFFFFF, good24), "header size huge");
  expectFormatError(patched(18, 0, good24), "width 0");
  expectFormatError(patched(18, 0xFFFFFFFF, good24), "negative width");
  expectFormatError(patched(22, 0, good24), "height 0");
  expectFormatError(patched(22, 0x80000000, good24), "smallest int height");
  expectFormatError(patched(18, 0x7FFFFFFF, patched(22, 0x7FFFFFFF, good24)), "huge claimed size");
  expectFormatError(patched(18, 0x10000, patched(22, 0x10000, good24)), "4 GiB claimed");
  for (const std::uint32_t bits : {0u, 2u, 48u, 64u, 0xFFFFu}) {
    expectFormatError(patched(26, 1 | (bits << 16), good24), "bit count " + std::to_string(bits));
  }
  for (const std::uint32_t compression : {1u, 2u, 3u, 4u, 5u, 99u}) {
    expectFormatError(patched(30, compression, good24),
                      "compression " + std::to_string(compression));
  }
  // Run-length data claiming a picture far larger than it could fill (900 MB, which
  // must be refused before it is allocated).
  FileBuilder rle;
  rle.fileHeader(54 + 1024);
  rle.infoHeader(40, 30000, 30000, 8, 1);
  rle.raw(Bytes(1024, 0));
  rle.raw({0, 1});
  expectFormatError(rle.finish(), "run-length bomb");
  // Run-length data stored top down.
  FileBuilder rleTop;
  rleTop.fileHeader(54 + 1024);
  rleTop.infoHeader(40, 1, -1, 8, 1);
  rleTop.raw(Bytes(1024, 0));
  rleTop.raw({0, 1});
  expectFormatError(rleTop.finish(), "top-down run-length");
}

TEST(BmpFile, CorruptedBytesAreReadOrRefusedWithFormatError) {
  // Every byte of small files of each kind set to a few telling values: the reader
  // either reads a picture of sane size or raises FormatError, and never reads out of
  // bounds (checked under the sanitizers). Each kind must meet both outcomes, or the
  // mutations would not reach past the header checks.
  struct Sample {
    std::string kind;
    Bytes file;
  };
  std::vector<Sample> samples = {{"1 bpp", write(pattern(5, 3, 1))},
                                 {"4 bpp", write(pattern(3, 2, 4))},
                                 {"16 bpp", write(pattern(3, 2, 16))},
                                 {"32 bpp", write(pattern(2, 2, 32))}};
  FileBuilder rle8;
  rle8.fileHeader(54 + 8);
  rle8.infoHeader(40, 4, 2, 8, 1, 2);
  rle8.raw({0, 0, 0, 0, 255, 255, 255, 0});
  rle8.raw({2, 1, 0, 3, 1, 0, 1, 0, 0, 0, 0, 2, 1, 0, 4, 1, 0, 1});
  samples.push_back({"RLE8", rle8.finish()});
  // Files of under a hundred bytes: a run-length or header change may claim a larger
  // picture, but never one of more than this.
  constexpr std::size_t kSaneBytes = std::size_t{32} << 20;
  for (const auto& [kind, file] : samples) {
    int readCount = 0, refusedCount = 0;
    for (std::size_t at = 0; at < file.size(); ++at) {
      for (const int value : {0x00, 0x01, 0x03, 0x7F, 0x80, 0xFF}) {
        const std::string where =
            kind + " file, byte " + std::to_string(at) + " set to " + std::to_string(value);
        Bytes b = file;
        b[at] = static_cast<std::uint8_t>(value);
        try {
          const Bitmap picture = read(b);
          EXPECT_TRUE(picture.width() > 0 && picture.height() > 0 &&
                      picture.bits().size() <= kSaneBytes)
              << where << ": read as " << picture.width() << " x " << picture.height();
          ++readCount;
        } catch (const FormatError&) {
          ++refusedCount;
        } catch (const std::exception& e) {
          ADD_FAILURE() << where << ": " << e.what();
        } catch (...) {
          ADD_FAILURE() << where << ": an exception of no standard type";
        }
      }
    }
    EXPECT_GT(readCount, 0) << kind;
    EXPECT_GT(refusedCount, 0) << kind;
  }
}

// readBmpInPlace over bytes as a file gives them: its head, then any part on request;
// the file claims fileSize bytes (more than bytes holds: it shrank after opening).
std::optional<Bitmap> readInPlace(const Bytes& bytes, std::size_t fileSize) {
  const std::span<const std::uint8_t> head(bytes.data(), std::min<std::size_t>(4096, bytes.size()));
  return readBmpInPlace(
      head, fileSize,
      [&bytes](std::size_t offset, std::span<const std::span<std::uint8_t>> pieces) {
        std::size_t at = offset;
        for (const std::span<std::uint8_t> piece : pieces) {
          const std::size_t n = at < bytes.size() ? std::min(piece.size(), bytes.size() - at) : 0;
          std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, piece.begin());
          at += n;
          if (n < piece.size()) break;
        }
        return at - offset;
      });
}

// The bitmap, or the error's text.
template <class Read>
std::string outcome(Read read, std::vector<std::uint8_t>& bits) {
  try {
    const Bitmap b = read();
    bits.assign(b.bits().begin(), b.bits().end());
    return std::to_string(b.width()) + "x" + std::to_string(b.height()) + "@" +
           std::to_string(b.bitsPerPixel());
  } catch (const FormatError& e) {
    return e.what();
  }
}

// Rows read straight into the picture must give what readBmp gives for the same file,
// padding cleared and fourth bytes kept, and the same refusals.
TEST(BmpFile, RowsReadInPlaceAreWhatReadBmpReads) {
  Bytes padded24 = write(pattern(7, 5, 24));  // 21 of 24 bytes used per row
  for (std::size_t row = 0; row < 5; ++row) {
    for (std::size_t i = 21; i < 24; ++i) padded24[54 + row * 24 + i] = 0xAB;
  }
  FileBuilder topDown;
  topDown.fileHeader(54);
  topDown.infoHeader(40, 3, -2, 24, 0);
  topDown.raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0xEE, 0, 0});
  FileBuilder bitfields;  // the plain 8-8-8 masks, top down
  bitfields.fileHeader(14 + 124);
  bitfields.infoHeader(124, 1, -2, 32, 3, 0, {0xFF0000, 0xFF00, 0xFF, 0});
  bitfields.raw({1, 2, 3, 4, 5, 6, 7, 8});
  const Bytes wide = write(pattern(1200, 3, 32));  // more than the 4 KiB head
  const Bytes small32 = write(pattern(5, 3, 32));
  const struct {
    const char* name;
    Bytes bytes;
    std::size_t missing;  // bytes the file lost after it was opened
    bool inPlace;         // false: left to readBmp
  } cases[] = {
      {"24 bpp, odd width, padding set", padded24, 0, true},
      {"32 bpp", small32, 0, true},
      {"16 bpp", write(pattern(3, 4, 16)), 0, true},
      {"24 bpp top down", topDown.finish(), 0, true},
      {"32 bpp plain bitfields", bitfields.finish(), 0, true},
      {"wider than the head", wide, 0, true},
      {"truncated", Bytes(small32.begin(), small32.end() - 1), 0, true},
      {"shrank while read", wide, 100, true},
      {"8 bpp", write(pattern(5, 2, 8)), 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bytes(c.bytes.begin(), c.bytes.end() - static_cast<std::ptrdiff_t>(c.missing));
    std::vector<std::uint8_t> direct, whole;
    bool tookIt = false;
    const std::string got = outcome(
        [&] {
          std::optional<Bitmap> b = readInPlace(bytes, c.bytes.size());
          tookIt = b.has_value();
          return b ? std::move(*b) : read(c.bytes);
        },
        direct);
    const std::string expected = outcome([&] { return read(bytes); }, whole);
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(direct == whole);
    if (!whole.empty()) {
      EXPECT_EQ(tookIt, c.inPlace);
    }
  }
}

}  // namespace
}  // namespace snaprill
