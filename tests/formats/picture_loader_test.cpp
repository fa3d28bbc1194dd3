// The picture loader recognises Targa and PCX files by what their headers say, not
// by three fixed bytes, and names what it cannot read.
#include <gtest/gtest.h>

#include <string>

#include "formats/loader/picture_loader.h"
#include "formats/modern_types.h"
#include "support/picture_bytes.h"

namespace snaprill {
namespace {

using testing::Bytes;

struct TargaHeader {
  std::uint8_t idLength = 0, mapType = 0, type = 2, mapBits = 0, bits = 24;
  std::uint16_t mapLength = 0, width = 2, height = 1;
};

Bytes targa(const TargaHeader& h, const Bytes& rest = {}) {
  Bytes b = {h.idLength, h.mapType, h.type, 0, 0};
  testing::put16(b, h.mapLength);
  b.insert(b.end(), {h.mapBits, 0, 0, 0, 0});
  testing::put16(b, h.width);
  testing::put16(b, h.height);
  b.insert(b.end(), {h.bits, 0x20});  // top row first
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

PictureKind kindOf(const Bytes& b) {
  return detectPicture(b.data(), b.size());
}

TEST(PictureLoader, TargaFilesAreKnownByAPlausibleHeader) {
  // What SDL, games and image tools write: every image type we read, with and
  // without ID fields and colour maps.
  const std::vector<TargaHeader> plausible = {
      {0, 0, 2, 0, 24}, {0, 0, 10, 0, 32}, {5, 0, 2, 0, 16},  {0, 0, 3, 0, 8},   {0, 0, 11, 0, 8},
      {0, 1, 1, 24, 8}, {3, 1, 9, 16, 8},  {0, 1, 1, 32, 16}, {0, 1, 2, 24, 24}, {0, 0, 2, 0, 15},
  };
  for (const TargaHeader& h : plausible) {
    EXPECT_EQ(kindOf(targa(h)), PictureKind::Targa) << int{h.type} << "/" << int{h.bits};
  }
  // Types we do not read, colour-mapped types without a map, depths that do not go
  // with the type, an empty size, a colour map type of 2: all left to the bitmap
  // reader, which names them as unknown.
  TargaHeader noWidth;
  noWidth.width = 0;
  const std::vector<TargaHeader> implausible = {
      {0, 0, 0, 0, 24}, {0, 0, 32, 0, 24}, {0, 0, 1, 0, 8},  {0, 1, 1, 8, 8},
      {0, 0, 2, 0, 8},  {0, 0, 3, 0, 24},  {0, 2, 2, 0, 24}, noWidth,
  };
  for (const TargaHeader& h : implausible) {
    EXPECT_EQ(kindOf(targa(h)), PictureKind::WindowsBitmap) << int{h.type} << "/" << int{h.bits};
  }
}

TEST(PictureLoader, PcxFilesAreKnownByManufacturerVersionAndEncoding) {
  for (const std::uint8_t version :
       {std::uint8_t{0}, std::uint8_t{2}, std::uint8_t{3}, std::uint8_t{4}, std::uint8_t{5}}) {
    EXPECT_EQ(kindOf({0x0A, version, 1, 8}), PictureKind::Pcx) << int{version};
  }
  EXPECT_EQ(kindOf({0x0A, 6, 1, 8}), PictureKind::WindowsBitmap);
  EXPECT_EQ(kindOf({0x0A, 5, 2, 8}), PictureKind::WindowsBitmap);
}

TEST(PictureLoader, ForeignTargaFilesAreReadAndFailuresSayWhatIsWrong) {
  // Uncompressed, with a 3-byte ID field: 00 00 02 once went to the bitmap reader.
  TargaHeader h;
  h.idLength = 3;
  const Bytes raw = targa(h, {'i', 'd', '!', 1, 2, 3, 4, 5, 6});
  const Bitmap picture = readPicture(raw.data(), raw.size());
  EXPECT_EQ(picture.pixel(0, 0), (Rgb{3, 2, 1}));
  EXPECT_EQ(picture.pixel(1, 0), (Rgb{6, 5, 4}));
  // Gray, run-length encoded: one run of two.
  TargaHeader gray;
  gray.type = 11;
  gray.bits = 8;
  const Bytes rle = targa(gray, {0x81, 77});
  EXPECT_EQ(readPicture(rle.data(), rle.size()).pixel(1, 0), (Rgb{77, 77, 77}));

  const auto errorOf = [](const Bytes& b) {
    try {
      readPicture(b.data(), b.size());
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(errorOf(targa(h, {'i', 'd'})), "Targa ID field truncated");
  EXPECT_EQ(errorOf(targa(h, {'i', 'd', '!', 1, 2, 3})), "Targa data truncated");
  Bytes pcx(128, 0);
  pcx[0] = 0x0A, pcx[1] = 5, pcx[2] = 0, pcx[3] = 8, pcx[65] = 3;
  EXPECT_EQ(errorOf(pcx), "Unsupported PCX encoding 0");
  EXPECT_EQ(errorOf({'P', '6', '\n', '1'}),
            kModernTypesBuilt
                ? "Not a picture format Snaprill reads (JPEG, PNG, GIF, BMP, EMF, WMF, PCX, "
                  "Targa, WebP, AVIF or JPEG XL)"
                : "Not a picture format Snaprill reads (JPEG, PNG, GIF, BMP, EMF, WMF, PCX or "
                  "Targa)");
  EXPECT_NE(errorOf({'B', 'M', 0}).find("Invalid bitmap file"), std::string::npos);
}

}  // namespace
}  // namespace snaprill
