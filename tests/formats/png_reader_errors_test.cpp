// Bad PNG files: each gives its error with the exact text, and none crashes.
#include <gtest/gtest.h>

#include "formats/loader/picture_loader.h"
#include "formats/png/png_image.h"
#include "support/error_kind.h"
#include "support/png_test_support.h"

namespace snaprill {
namespace {

using pngtest::Bytes;
using K = FormatErrorKind;

std::optional<FormatErrorKind> errorOf(const Bytes& file) {
  PngImage png;
  try {
    png.loadFromMemory(file.data(), file.size());
  } catch (const FormatError& e) {
    return e.kind();
  }
  return std::nullopt;
}

// A 3x2 truecolour image whose data is spread over IDAT chunks of 5 bytes, with
// ancillary chunks before and after them.
Bytes rows3x2() {
  return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1};
}

std::vector<std::pair<std::string, Bytes>> splitFile(const Bytes& stream, std::size_t slice) {
  std::vector<std::pair<std::string, Bytes>> chunks = {{"IHDR", pngtest::ihdr(3, 2, 8, 2)},
                                                       {"tEXt", Bytes{'a', 0, 'b'}}};
  for (std::size_t pos = 0; pos < stream.size(); pos += slice)
    chunks.push_back(
        {"IDAT", Bytes(stream.begin() + static_cast<long>(pos),
                       stream.begin() + static_cast<long>(std::min(stream.size(), pos + slice)))});
  chunks.push_back({"tIME", Bytes(7, 1)});
  chunks.push_back({"IEND", {}});
  return chunks;
}

TEST(PngReaderErrors, ImageDataSplitOverChunksReadsLikeOneChunk) {
  const Bytes stream = pngtest::zlibCompress(rows3x2());
  PngImage one, many;
  const Bytes whole = pngtest::pngFile(splitFile(stream, 1000));
  one.loadFromMemory(whole.data(), whole.size());
  const Bytes split = pngtest::pngFile(splitFile(stream, 5));
  many.loadFromMemory(split.data(), split.size());
  EXPECT_EQ(one.toBitmap(), many.toBitmap());
  EXPECT_EQ(many.toBitmap().pixel(2, 0), (Rgb{7, 8, 9}));
  // Up (type 2) on the second row adds the row above.
  EXPECT_EQ(many.toBitmap().pixel(2, 1), (Rgb{8, 9, 10}));
  // One object stands for all the IDAT chunks.
  std::vector<std::string> types;
  for (const auto& c : many.chunks()) types.push_back(c.typeName());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "IDAT", "tIME", "IEND"}));
}

TEST(PngReaderErrors, CutAtEveryLengthFailsCleanly) {
  const Bytes file = pngtest::pngFile(splitFile(pngtest::zlibCompress(rows3x2()), 7));
  const auto chunks = pngtest::chunksOf(file);
  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    const Bytes part(file.begin(), file.begin() + static_cast<long>(cut));
    const auto kind = errorOf(part);
    ASSERT_TRUE(kind) << cut;
    if (cut < 8) {
      EXPECT_EQ(kind, K::PngInvalidFileHeader) << cut;
    } else {
      EXPECT_TRUE(kind == K::PngUnexpectedEnd || kind == K::PngInvalidCrc) << cut;
    }
  }
  // Cut between chunks: an unexpected end; cut inside the image data: a CRC error.
  const auto firstIdat =
      std::find_if(chunks.begin(), chunks.end(), [](const auto& c) { return c.type == "IDAT"; });
  const auto cutAt = [&](std::size_t n) {
    return errorOf(Bytes(file.begin(), file.begin() + static_cast<long>(n)));
  };
  EXPECT_EQ(cutAt(firstIdat->offset), K::PngUnexpectedEnd);
  EXPECT_EQ(cutAt(firstIdat->offset + 10), K::PngInvalidCrc);
  EXPECT_EQ(cutAt((firstIdat + 1)->offset + 4), K::PngInvalidCrc);
  EXPECT_EQ(cutAt(chunks.back().offset), K::PngUnexpectedEnd);
}

TEST(PngReaderErrors, WrongCrcInAnyReadChunk) {
  const Bytes file = pngtest::pngFile(splitFile(pngtest::zlibCompress(rows3x2()), 7));
  for (const auto& chunk : pngtest::chunksOf(file)) {
    Bytes bad = file;
    bad[chunk.offset + 8 + chunk.data.size()] ^= 0x01;
    EXPECT_EQ(errorOf(bad), K::PngInvalidCrc) << chunk.type << " at " << chunk.offset;
  }
}

TEST(PngReaderErrors, StructuralFaultsGiveTheirErrors) {
  const Bytes stream = pngtest::zlibCompress(rows3x2());
  const auto file = [&](std::vector<std::pair<std::string, Bytes>> chunks) {
    return pngtest::pngFile(chunks);
  };
  const Bytes header = pngtest::ihdr(3, 2, 8, 2);
  EXPECT_EQ(errorOf(Bytes{137, 80, 78, 71, 13, 10, 26, 11}), K::PngInvalidFileHeader);
  EXPECT_EQ(errorOf(file({{"tEXt", {}}, {"IHDR", header}})), K::PngIhdrNotFirst);
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"QUUX", {}}})), K::PngUnknownCriticalChunk);
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"quUX", {1}}, {"IEND", {}}})), K::PngNoImageData);
  EXPECT_EQ(errorOf(file({{"IHDR", Bytes(12, 0)}})), K::PngInvalidIhdr);
  EXPECT_EQ(errorOf(file({{"IHDR", pngtest::ihdr(3, 2, 4, 2)}})), K::PngInvalidIhdr);
  EXPECT_EQ(errorOf(file({{"IHDR", pngtest::ihdr(0, 2, 8, 2)}})), K::PngInvalidIhdr);
  EXPECT_EQ(errorOf(file({{"IHDR", pngtest::ihdr(65536, 1, 8, 2)}})), K::TooLarge);
  Bytes compression = header;
  compression[10] = 1;
  EXPECT_EQ(errorOf(file({{"IHDR", compression}})), K::PngUnknownCompression);
  EXPECT_EQ(errorOf(file({{"IHDR", pngtest::ihdr(3, 2, 8, 2, 2)}})), K::PngUnknownInterlace);
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"PLTE", Bytes(7, 0)}})), K::PngInvalidPalette);
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"PLTE", Bytes(771, 0)}})), K::PngInvalidPalette);
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"tRNS", Bytes(257, 0)}})), K::PngInvalidPalette);
  // IDAT interrupted by another chunk before the image is complete.
  const Bytes half(stream.begin(), stream.begin() + 6), rest(stream.begin() + 6, stream.end());
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"IDAT", half}, {"tEXt", {}}, {"IDAT", rest}})),
            K::PngMissingImageData);
  // A stream that ends before the last row.
  const Bytes rows = rows3x2();
  const Bytes short_ = pngtest::zlibCompress(Bytes(rows.begin(), rows.begin() + 15));
  EXPECT_EQ(errorOf(file({{"IHDR", header}, {"IDAT", short_}, {"IEND", {}}})),
            K::PngMissingImageData);
  // Past the complete image: more data in the stream and further IDATs are ignored.
  Bytes longer = rows;
  longer.resize(100, 0xEE);
  EXPECT_FALSE(errorOf(file({{"IHDR", header},
                             {"IDAT", pngtest::zlibCompress(longer)},
                             {"IDAT", Bytes{1, 2}},
                             {"cHRM", {}},
                             {"IEND", {}}})));
}

TEST(PngReaderErrors, HugeClaimsAreRefusedWithoutAllocating) {
  // A header claiming 65535 x 65535 truecolour (12 GiB) is refused before any
  // allocation; so is one of a quarter of that (reader_limits_test has the budget's
  // edge).
  const Bytes huge = pngtest::pngFile({{"IHDR", pngtest::ihdr(65535, 65535, 8, 6)}});
  EXPECT_EQ(errorOf(huge), K::TooLarge);
  EXPECT_EQ(errorOf(pngtest::pngFile({{"IHDR", pngtest::ihdr(65535, 16384, 8, 2)}})), K::TooLarge);
  // Chunk lengths far beyond the file.
  Bytes file = pngtest::pngFile(splitFile(pngtest::zlibCompress(rows3x2()), 1000));
  for (const auto& chunk : pngtest::chunksOf(file)) {
    Bytes bad = file;
    bad[chunk.offset] = 0xFF;
    bad[chunk.offset + 1] = 0xFF;
    EXPECT_TRUE(errorOf(bad)) << chunk.type;
  }
}

TEST(PngReaderErrors, BadCompressedDataAndTheExactTexts) {
  const Bytes header = pngtest::ihdr(3, 2, 8, 2);
  Bytes stream = pngtest::zlibCompress(rows3x2());
  stream[0] = 0x79;  // not a zlib header
  const Bytes file = pngtest::pngFile({{"IHDR", header}, {"IDAT", stream}, {"IEND", {}}});
  try {
    PngImage png;
    png.loadFromMemory(file.data(), file.size());
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.kind(), K::PngZlibError);
    EXPECT_EQ(std::string(e.what()),
              "Could not decompress the image because it contains invalid compressed data.\r\n"
              " Description: incorrect header check");
  }
  EXPECT_EQ(formatErrorText(K::PngIhdrNotFirst),
            "This \"Portable Network Graphics\" image is not supported or it might be "
            "invalid.\r\n(IHDR chunk is not the first)");
  EXPECT_EQ(formatErrorText(K::PngInvalidCrc),
            "This \"Portable Network Graphics\" image is not valid because it contains invalid "
            "pieces of data (crc error)");
  // The picture loader hands PNG files to this reader and passes its errors on.
  EXPECT_EQ(testing::errorKind<FormatError>([&] { readPicture(file.data(), file.size()); }),
            K::PngZlibError);
  const Bytes good = pngtest::pngFile(splitFile(pngtest::zlibCompress(rows3x2()), 4));
  EXPECT_EQ(readPicture(good.data(), good.size()).pixel(0, 0), (Rgb{1, 2, 3}));
}

}  // namespace
}  // namespace snaprill
