#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/targa/targa.h"
#include "support/error_kind.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A row of pixels given as one byte each (the byte repeated as B, G and R).
Bytes encodeRow(const Bytes& shades) {
  Bytes bgr;
  for (std::uint8_t s : shades) bgr.insert(bgr.end(), {s, s, s});
  Bytes out(4 * shades.size() + 4);
  out.resize(encodeTargaRow(bgr.data(), static_cast<int>(shades.size()), out.data()));
  return out;
}

// Packets as (header byte, pixel count in the packet body).
std::vector<std::pair<int, int>> packets(const Bytes& encoded) {
  std::vector<std::pair<int, int>> out;
  for (std::size_t i = 0; i < encoded.size();) {
    const int h = encoded[i];
    const int body = (h & 0x80) ? 1 : (h & 0x7F) + 1;
    out.emplace_back(h, body);
    i += 1 + 3 * static_cast<std::size_t>(body);
  }
  return out;
}

Bytes targa(const Bitmap& picture, std::uint8_t format = 5) {
  MemorySink sink;
  writeTarga(picture, format, sink);
  return sink.bytes;
}

TEST(TargaWriter, OnePixelIs22Bytes) {
  Bitmap picture(1, 1, 32);
  picture.setPixel(0, 0, {30, 20, 10});
  EXPECT_EQ(targa(picture), (Bytes{0, 0,  10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0,  //
                                   0, 10, 20, 30}));
}

TEST(TargaWriter, PacketsFollowTheRunAndRawRules) {
  using P = std::vector<std::pair<int, int>>;
  EXPECT_EQ(packets(encodeRow(Bytes(128, 9))), (P{{0xFF, 1}}));
  EXPECT_EQ(packets(encodeRow(Bytes(129, 9))), (P{{0xFF, 1}, {0x00, 1}}));
  EXPECT_EQ(packets(encodeRow(Bytes(300, 9))), (P{{0xFF, 1}, {0xFF, 1}, {0xAB, 1}}));
  Bytes different(130);
  for (std::size_t i = 0; i < different.size(); ++i) different[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(packets(encodeRow(different)), (P{{0x7F, 128}, {0x01, 2}}));
  EXPECT_EQ(encodeRow({1, 1, 2}), (Bytes{0x81, 1, 1, 1, 0x00, 2, 2, 2}));
  EXPECT_EQ(encodeRow({1, 2, 2}), (Bytes{0x00, 1, 1, 1, 0x81, 2, 2, 2}));
  EXPECT_EQ(encodeRow({1, 2, 3, 3, 4}),
            (Bytes{0x01, 1, 1, 1, 2, 2, 2, 0x81, 3, 3, 3, 0x00, 4, 4, 4}));
}

TEST(TargaWriter, BottomRowComesFirstAndEveryFormatIsWrittenAs24Bits) {
  Bitmap picture(2, 2, 4);
  picture.setIndex(0, 1, 15);  // white, bottom left
  const Bytes b = targa(picture);
  EXPECT_EQ(b[16], 24);
  EXPECT_EQ(b[17], 0);
  EXPECT_EQ(Bytes(b.begin() + 18, b.end()), (Bytes{0x01, 255, 255, 255, 0, 0, 0, 0x81, 0, 0, 0}));
}

TEST(TargaWriter, UncompressedVariantForOtherFormats) {
  const Bytes b = targa(Bitmap(2, 1, 24), 0);
  EXPECT_EQ(b.size(), 18u + 6);
  EXPECT_EQ(b[2], 2);
}

TEST(TargaWriter, SidesBeyondTheSixteenBitFieldsAreRefusedBeforeWriting) {
  // 65537 x 1 once gave a header of 1 x 1 followed by the whole row.
  for (const auto& [w, h] : {std::pair{65537, 1}, std::pair{1, 65536}}) {
    MemorySink sink;
    try {
      writeTarga(Bitmap(w, h, 32), 5, sink);
      ADD_FAILURE() << w << " x " << h << " written";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.kind(), FormatErrorKind::TooLarge);
      EXPECT_STREQ(e.what(), "The bitmap is too large for a Targa file");
    }
    EXPECT_TRUE(sink.bytes.empty());
  }
  // The largest side the format holds.
  MemorySink sink;
  writeTarga(Bitmap(65535, 1, 24), 5, sink);
  EXPECT_EQ(sink.bytes[12], 0xFF);
  EXPECT_EQ(sink.bytes[13], 0xFF);
  EXPECT_EQ(readTarga(sink.bytes.data(), sink.bytes.size()).width(), 65535);
}

TEST(TargaReader, ReadsOurFilesBack) {
  // Noise: raw packets past their 128-pixel limit; short runs between lone pixels:
  // raw and run packets by turns; long runs that pass the run packets' limit.
  for (int w : {1, 2, 3, 7, 130, 300}) {
    for (const Bitmap& picture :
         {testing::noisePicture(w, 3, 32, 12345), testing::runsPicture(w, 3, 12345, 4),
          testing::runsPicture(w, 3, 12345)}) {
      for (const int format : {5, 0}) {
        const Bytes file = targa(picture, static_cast<std::uint8_t>(format));
        EXPECT_EQ(readTarga(file.data(), file.size()), picture.convertedTo(24))
            << "width " << w << " format " << format;
      }
    }
  }
}

Bytes header(std::uint8_t type, int w, int h, std::uint8_t bits, std::uint8_t descriptor) {
  return {0,
          0,
          type,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          0,
          static_cast<std::uint8_t>(w),
          0,
          static_cast<std::uint8_t>(h),
          0,
          bits,
          descriptor};
}

TEST(TargaReader, RunsCrossRowsAndStopAtTheEndOfThePicture) {
  // Top-left origin, 2 x 2: one run of 3 crossing the first row, then a run of 5
  // of which only one pixel fits.
  Bytes file = header(10, 2, 2, 24, 0x20);
  file.insert(file.end(), {0x82, 1, 2, 3, 0x84, 4, 5, 6});
  const Bitmap picture = readTarga(file.data(), file.size());
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{3, 2, 1}));
  EXPECT_EQ(picture.pixel(0, 1), (Rgb{3, 2, 1}));
  EXPECT_EQ(picture.pixel(1, 1), (Rgb{6, 5, 4}));
}

TEST(TargaReader, HonoursBothOriginBitsAndReadsColourMapsAndGray) {
  Bytes file = header(2, 2, 1, 24, 0x10);  // right to left
  file.insert(file.end(), {1, 1, 1, 2, 2, 2});
  Bitmap picture = readTarga(file.data(), file.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{2, 2, 2}));

  // Colour-mapped RLE with a map starting at index 4; index 9 lies outside it.
  file = {0, 1, 9, 4,    0,  2,  0,  24, 0,  0,  0,    0, 3,    0,
          1, 0, 8, 0x20, 10, 20, 30, 40, 50, 60, 0x81, 5, 0x00, 9};
  picture = readTarga(file.data(), file.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{60, 50, 40}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{60, 50, 40}));
  EXPECT_EQ(picture.pixel(2, 0), (Rgb{0, 0, 0}));

  file = header(3, 1, 1, 8, 0);
  file.push_back(77);
  EXPECT_EQ(readTarga(file.data(), file.size()).pixel(0, 0), (Rgb{77, 77, 77}));

  file = header(2, 1, 1, 16, 0);
  file.insert(file.end(), {0x1F, 0x7C});  // red 31, blue 31
  EXPECT_EQ(readTarga(file.data(), file.size()).pixel(0, 0), (Rgb{255, 0, 255}));
}

TEST(TargaReader, MalformedFilesRaiseFormatErrorOfTheirKind) {
  using K = FormatErrorKind;
  const std::vector<std::pair<Bytes, K>> bad = {
      {{}, K::Truncated},
      {Bytes(17, 0), K::Truncated},
      {header(10, 2, 2, 24, 0), K::Truncated},  // no data
      {[] {
         Bytes f = header(2, 2, 2, 24, 0);
         f.resize(f.size() + 11);
         return f;
       }(),
       K::Truncated},
      {[] {
         Bytes f = header(10, 1, 1, 24, 0);
         f.insert(f.end(), {0x00, 1, 2});
         return f;
       }(),
       K::Truncated},
      {header(10, 0, 5, 24, 0), K::Empty},       // no pixels
      {header(10, 2, 2, 7, 0), K::Unsupported},  // odd depth
      {header(4, 2, 2, 24, 0), K::Unsupported},  // unknown type
      {header(1, 2, 2, 8, 0), K::Damaged},       // colour-mapped without map
      {[] {
         Bytes f = header(10, 255, 255, 24, 0);
         f[13] = 255;
         f[15] = 255;
         f.insert(f.end(), {0xFF, 1, 2, 3});
         return f;
       }(),
       K::TooLarge},
      {{0, 1, 1, 0, 0, 0xFF, 0xFF, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 1, 2},  // map truncated
       K::Truncated},
  };
  for (const auto& [file, kind] : bad) {
    const std::vector<std::uint8_t>& f = file;  // clang 14 lambdas cannot capture a binding
    EXPECT_EQ(testing::errorKind<FormatError>([&] { readTarga(f.data(), f.size()); }), kind)
        << f.size();
  }
}

}  // namespace
}  // namespace snaprill
