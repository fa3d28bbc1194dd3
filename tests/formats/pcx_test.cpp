#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/pcx/pcx.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes encodeLine(const Bytes& line) {
  Bytes out;
  encodePcxLine(line.data(), line.size(), out);
  return out;
}

Bytes pcx(const Bitmap& picture) {
  MemorySink sink;
  writePcx(picture, sink);
  return sink.bytes;
}

TEST(PcxWriter, PlaneLineEscapes) {
  EXPECT_EQ(encodeLine({192, 7}), (Bytes{0xC1, 0xC0, 7}));  // a lone 0xC0 would be a count
  EXPECT_EQ(encodeLine({200, 7}), (Bytes{0xC1, 0xC8, 7}));
  EXPECT_EQ(encodeLine({191}), (Bytes{191}));
  EXPECT_EQ(encodeLine(Bytes(64, 10)), (Bytes{0xFF, 10, 10}));
  EXPECT_EQ(encodeLine(Bytes(64, 200)), (Bytes{0xFF, 200, 0xC1, 200}));
  EXPECT_EQ(encodeLine(Bytes(130, 1)), (Bytes{0xFF, 1, 0xFF, 1, 0xC4, 1}));
  EXPECT_EQ(encodeLine({5, 5, 6}), (Bytes{0xC2, 5, 6}));
}

TEST(PcxWriter, HeaderAndPlanesInRedGreenBlueOrderTopRowFirst) {
  Bitmap picture(2, 2, 32);
  picture.setPixel(0, 0, {1, 2, 3});
  picture.setPixel(1, 0, {1, 2, 3});
  const Bytes b = pcx(picture);
  ASSERT_EQ(b.size(), 128u + 12);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{10, 5, 1, 8}));
  EXPECT_EQ(b[8] | b[9] << 8, 1);
  EXPECT_EQ(b[10] | b[11] << 8, 1);
  EXPECT_EQ(b[12], 72);
  EXPECT_EQ(b[14], 72);
  EXPECT_EQ(b[65], 3);
  EXPECT_EQ(b[66], 2);
  EXPECT_EQ(b[68], 1);
  EXPECT_EQ(Bytes(b.begin() + 128, b.end()),
            (Bytes{0xC2, 1, 0xC2, 2, 0xC2, 3, 0xC2, 0, 0xC2, 0, 0xC2, 0}));

  Bitmap white(2, 1, 24);
  white.setPixel(0, 0, {255, 255, 255});
  white.setPixel(1, 0, {255, 255, 255});
  const Bytes w = pcx(white);
  EXPECT_EQ(Bytes(w.begin() + 128, w.end()), (Bytes{0xC2, 255, 0xC2, 255, 0xC2, 255}));
}

TEST(PcxWriter, OddWidthsEncodeThePadByteTheHeaderAnnounces) {
  Bitmap picture(3, 1, 32);
  picture.setPixel(0, 0, {9, 9, 9});
  const Bytes b = pcx(picture);
  EXPECT_EQ(b[66], 4);
  EXPECT_EQ(Bytes(b.begin() + 128, b.end()), (Bytes{9, 0xC3, 0, 9, 0xC3, 0, 9, 0xC3, 0}));
}

TEST(PcxWriter, EmptyPictureIsRefused) {
  try {
    MemorySink sink;
    writePcx(Bitmap(), sink);
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_EQ(e.kind(), FormatErrorKind::Empty);
    EXPECT_STREQ(e.what(), "The bitmap is empty");
  }
}

TEST(PcxWriter, PicturesWiderThan4096) {
  Bitmap picture(5001, 1, 32);
  picture.setPixel(5000, 0, {1, 2, 3});
  const Bytes b = pcx(picture);
  EXPECT_EQ(readPcx(b.data(), b.size()), picture.convertedTo(24));
}

TEST(PcxReader, ReadsOurFilesBack) {
  // Noise: lone bytes, a quarter of them escaped; short runs between lone pixels;
  // long runs that pass the 63-byte run limit.
  for (int w : {1, 2, 3, 5, 64, 65, 200}) {
    for (const Bitmap& picture :
         {testing::noisePicture(w, 3, 32, 99), testing::runsPicture(w, 3, 99, 4),
          testing::runsPicture(w, 3, 99)}) {
      const Bytes b = pcx(picture);
      EXPECT_EQ(readPcx(b.data(), b.size()), picture.convertedTo(24)) << w;
    }
  }
}

Bytes header(int w, int h, int planes, int bytesPerLine) {
  Bytes b(128, 0);
  b[0] = 10;
  b[1] = 5;
  b[2] = 1;
  b[3] = 8;
  b[8] = static_cast<std::uint8_t>(w - 1);
  b[10] = static_cast<std::uint8_t>(h - 1);
  b[65] = static_cast<std::uint8_t>(planes);
  b[66] = static_cast<std::uint8_t>(bytesPerLine);
  return b;
}

TEST(PcxReader, AcceptsPlaneLinesOfTheWidthALone192AndRunsAcrossLines) {
  // 3 wide, header claims 4 bytes per line, lines hold 3: the unpadded layout.
  Bytes file = header(3, 1, 3, 4);
  file.insert(file.end(), {0xC0, 1, 2, 0xC3, 5, 7, 8, 9});
  Bitmap picture = readPcx(file.data(), file.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{192, 5, 7}));
  EXPECT_EQ(picture.pixel(2, 0), (Rgb{2, 5, 9}));

  // 1 x 2: one run covers all six plane bytes, and a run past the end is cut.
  file = header(1, 2, 3, 1);
  file.insert(file.end(), {0xC9, 4});
  picture = readPcx(file.data(), file.size());
  EXPECT_EQ(picture.pixel(0, 1), (Rgb{4, 4, 4}));
}

TEST(PcxReader, EightBitPictureUsesThePaletteAtTheEnd) {
  Bytes file = header(2, 1, 1, 2);
  file.insert(file.end(), {0, 1, 0x0C});
  Bytes palette(768, 0);
  palette[3] = 10;
  palette[4] = 20;
  palette[5] = 30;
  file.insert(file.end(), palette.begin(), palette.end());
  const Bitmap picture = readPcx(file.data(), file.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{10, 20, 30}));
}

// A file of fewer than 8 bits per plane: plane lines given unencoded (every byte
// below 0xC0, or escaped), the 16-colour palette in the header.
Bytes packedPcx(int version, int bits, int planes, int w, int h, const std::vector<Bytes>& lines,
                const std::vector<Rgb>& palette = {}) {
  Bytes b = header(w, h, planes, static_cast<int>(lines.at(0).size()));
  b[1] = static_cast<std::uint8_t>(version);
  b[3] = static_cast<std::uint8_t>(bits);
  for (std::size_t i = 0; i < palette.size(); ++i) {
    b[16 + 3 * i] = palette[i].r, b[17 + 3 * i] = palette[i].g, b[18 + 3 * i] = palette[i].b;
  }
  for (const Bytes& line : lines) {
    for (std::uint8_t v : line) {
      if (v >= 0xC0) b.push_back(0xC1);
      b.push_back(v);
    }
  }
  return b;
}

TEST(PcxReader, MonochromeAndSixteenColourFiles) {
  // 1 bit, 1 plane: black and white when the palette is left empty, as most
  // writers leave it; else its first two colours.
  Bytes mono = packedPcx(5, 1, 1, 10, 1, {{0b10100000, 0b01000000}});
  Bitmap picture = readPcx(mono.data(), mono.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(picture.pixel(2, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(picture.pixel(9, 0), (Rgb{255, 255, 255}));
  mono = packedPcx(5, 1, 1, 10, 1, {{0b10100000, 0b01000000}}, {{9, 9, 9}, {8, 7, 6}});
  picture = readPcx(mono.data(), mono.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{8, 7, 6}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{9, 9, 9}));

  // EGA: four planes of 1 bit; plane k gives bit k of the colour index. Pixels 0,
  // 1, 2 get indexes 5 (planes 0 and 2), 15 and 0.
  std::vector<Rgb> palette(16);
  for (int i = 0; i < 16; ++i) palette[static_cast<std::size_t>(i)] = {std::uint8_t(i * 16), 1, 2};
  const Bytes ega = packedPcx(5, 1, 4, 3, 1, {{0xC0}, {0x40}, {0xC0}, {0x40}}, palette);
  picture = readPcx(ega.data(), ega.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{80, 1, 2}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{240, 1, 2}));
  EXPECT_EQ(picture.pixel(2, 0), (Rgb{0, 1, 2}));
  // Version 3 files carry no palette: the EGA colours (5 is magenta, 15 white).
  const Bytes v3 = packedPcx(3, 1, 4, 3, 1, {{0xC0}, {0x40}, {0xC0}, {0x40}}, palette);
  picture = readPcx(v3.data(), v3.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{170, 0, 170}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{255, 255, 255}));

  // One plane of 4 bits, the left pixel in the high nibble; two rows.
  const Bytes nibbles = packedPcx(5, 4, 1, 3, 2, {{0x1E, 0x70}, {0xF0, 0x00}}, palette);
  picture = readPcx(nibbles.data(), nibbles.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{16, 1, 2}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{224, 1, 2}));
  EXPECT_EQ(picture.pixel(2, 0), (Rgb{112, 1, 2}));
  EXPECT_EQ(picture.pixel(0, 1), (Rgb{240, 1, 2}));

  // Combinations no encoder writes are refused with what they are.
  const Bytes odd = packedPcx(5, 2, 2, 3, 1, {{0}, {0}});
  try {
    readPcx(odd.data(), odd.size());
    ADD_FAILURE() << "2 planes of 2 bits read";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "Unsupported PCX format: 2 planes of 2 bits");
  }
}

TEST(PcxReader, MalformedFilesRaiseFormatError) {
  std::vector<Bytes> bad = {
      {}, Bytes(127, 10), header(4, 4, 3, 4), header(4, 1, 2, 4), header(4, 1, 3, 2)};
  Bytes truncated = header(4, 2, 3, 4);
  truncated.insert(truncated.end(), {0xC4, 1, 0xC4, 2, 0xC1});
  bad.push_back(truncated);
  Bytes huge = header(1, 1, 3, 1);
  huge[9] = 0xFF;
  huge[11] = 0xFF;
  huge.insert(huge.end(), {0xFF, 0});
  bad.push_back(huge);
  for (const Bytes& f : bad) EXPECT_THROW(readPcx(f.data(), f.size()), FormatError) << f.size();
}

}  // namespace
}  // namespace snaprill
