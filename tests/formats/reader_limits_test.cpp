// The one memory budget of every reader: small files whose headers claim pictures
// past it, or more than their data could describe, are refused with a message that
// says so, before anything is allocated for the picture.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/byte_sink.h"
#include "formats/jpeg/jpeg.h"
#include "formats/loader/picture_loader.h"
#include "support/error_kind.h"
#include "support/picture_bytes.h"
#include "support/pictures.h"
#include "support/png_test_support.h"

namespace snaprill {
namespace {

using testing::Bytes;
using testing::put16;
using testing::put32;

// 16384 x 16384: 4 times the budget, but well inside what the Bitmap type would
// allocate, so only the budget tells these apart from plain truncated files.
constexpr unsigned kSide = 16384;

std::string errorOf(const Bytes& file) {
  try {
    readPicture(file.data(), file.size());
  } catch (const FormatError& e) {
    return e.what();
  }
  return "no error";
}

// Callers tell a picture too large from a damaged one by this.
std::optional<FormatErrorKind> kindOf(const Bytes& file) {
  return testing::errorKind<FormatError>([&] { readPicture(file.data(), file.size()); });
}

Bytes bmpHeader(unsigned side) {
  Bytes b = {'B', 'M'};
  put32(b, 0);
  put32(b, 0);
  put32(b, 54);
  put32(b, 40);
  put32(b, side);
  put32(b, side);
  put16(b, 1);
  put16(b, 24);
  for (int i = 0; i < 6; ++i) put32(b, 0);
  return b;
}

Bytes targaHeader(unsigned side) {
  Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  put16(b, side);
  put16(b, side);
  b.insert(b.end(), {24, 0});
  return b;
}

Bytes pcxHeader(unsigned side) {
  Bytes b(128, 0);
  b[0] = 10, b[1] = 5, b[2] = 1, b[3] = 8, b[65] = 3;
  b[8] = b[10] = static_cast<std::uint8_t>(side - 1);
  b[9] = b[11] = static_cast<std::uint8_t>((side - 1) >> 8);
  b[66] = static_cast<std::uint8_t>(side);
  b[67] = static_cast<std::uint8_t>(side >> 8);
  return b;
}

// A real JPEG's markers up to the end of its scan header with the frame size
// patched, then the given entropy-coded bytes and EOI.
Bytes jpegClaiming(unsigned width, unsigned height, const Bytes& scan = {}) {
  MemorySink sink;
  writeJpeg(testing::samplePicture(16, 16), 90, sink);
  Bytes b = sink.bytes;
  std::size_t sof = 2, sos = 2;
  while (!(b[sof] == 0xFF && b[sof + 1] == 0xC0)) ++sof;
  while (!(b[sos] == 0xFF && b[sos + 1] == 0xDA)) ++sos;
  b[sof + 5] = static_cast<std::uint8_t>(height >> 8),
          b[sof + 6] = static_cast<std::uint8_t>(height);
  b[sof + 7] = static_cast<std::uint8_t>(width >> 8), b[sof + 8] = static_cast<std::uint8_t>(width);
  b.resize(sos + 2 + (b[sos + 2] << 8 | b[sos + 3]));
  b.insert(b.end(), scan.begin(), scan.end());
  b.insert(b.end(), {0xFF, 0xD9});
  return b;
}

TEST(ReaderLimits, PicturesPastThePixelBudgetAreRefusedWhateverTheirFormat) {
  const Bytes some(4096, 0);
  const auto with = [&some](Bytes b) {
    b.insert(b.end(), some.begin(), some.end());
    return b;
  };
  EXPECT_NE(errorOf(with(bmpHeader(kSide))).find("too large"), std::string::npos);
  EXPECT_NE(errorOf(with(targaHeader(kSide))).find("too large"), std::string::npos);
  EXPECT_NE(errorOf(with(pcxHeader(kSide))).find("too large"), std::string::npos);
  EXPECT_NE(errorOf(jpegClaiming(kSide, kSide, some)).find("too large"), std::string::npos);
  const Bytes gif = testing::makeGif(1, 1, {0}, {{1, 2, 3}}, false, 0, 0, kSide, kSide);
  EXPECT_NE(errorOf(gif).find("too large"), std::string::npos);
  const Bytes wmf = testing::makeWmf(testing::samplePicture(1, 1), kSide, kSide, 0, 0, 1, 1);
  EXPECT_NE(errorOf(wmf).find("out of range"), std::string::npos);
  const Bytes png = pngtest::pngFile({{"IHDR", pngtest::ihdr(kSide, kSide, 8, 2)}});
  EXPECT_NE(errorOf(png).find("either its width or height exceeds the maximum size"),
            std::string::npos);
  // Just past the budget in one direction.
  const Bytes thin = pngtest::pngFile({{"IHDR", pngtest::ihdr(65535, 1025, 1, 0)}});
  EXPECT_NE(errorOf(thin).find("exceeds the maximum size"), std::string::npos);
  for (const Bytes& file :
       {with(bmpHeader(kSide)), with(targaHeader(kSide)), with(pcxHeader(kSide)),
        jpegClaiming(kSide, kSide, some), gif, wmf, png, thin}) {
    EXPECT_EQ(kindOf(file), FormatErrorKind::TooLarge) << errorOf(file);
  }
}

TEST(ReaderLimits, HeadersClaimingMoreThanTheirDataCouldHoldAreRefused) {
  // 8000 x 8000 is inside the budget; the data is not there.
  EXPECT_EQ(errorOf(jpegClaiming(8000, 8000)), "JPEG data too short for its picture size");
  // 1,000,000 blocks need at least 125,000 bytes, even of the best-compressed kind.
  EXPECT_EQ(errorOf(jpegClaiming(8000, 8000, Bytes(100000, 0))),
            "JPEG data too short for its picture size");
  // Deflate packs 258 zero bytes in two bits at best: 8000 rows of 24,001 bytes need
  // at least 186 KB.
  const Bytes png = pngtest::pngFile({{"IHDR", pngtest::ihdr(8000, 8000, 8, 2)},
                                      {"IDAT", pngtest::zlibCompress(Bytes(1000, 0))},
                                      {"IEND", {}}});
  EXPECT_NE(errorOf(png).find("unexpected end of the file"), std::string::npos);
  EXPECT_NE(errorOf(targaHeader(8000)).find("truncated"), std::string::npos);
  EXPECT_NE(errorOf(pcxHeader(8000)).find("truncated"), std::string::npos);
  for (const Bytes& file : {jpegClaiming(8000, 8000), targaHeader(8000), pcxHeader(8000)}) {
    EXPECT_EQ(kindOf(file), FormatErrorKind::Truncated) << errorOf(file);
  }
  EXPECT_EQ(kindOf(png), FormatErrorKind::PngUnexpectedEnd);
}

}  // namespace
}  // namespace snaprill
