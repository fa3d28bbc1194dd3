#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/product.h"
#include "formats/tiff/tiff_writer.h"

namespace snaprill {
namespace {

unsigned u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b.at(at) | (unsigned{b.at(at + 1)} << 8);
}
unsigned u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return u16(b, at) | (u16(b, at + 2) << 16);
}

struct IfdEntry {
  unsigned type, count, value;
};

// The IFD's entries by tag, after checking the count, the zero next-IFD offset and
// that the IFD and every offset in it lie on a word boundary (TIFF 6.0).
std::map<unsigned, IfdEntry> readIfd(const std::vector<std::uint8_t>& b) {
  const unsigned ifd = u32(b, 4);
  EXPECT_EQ(ifd % 2, 0u);
  const unsigned n = u16(b, ifd);
  EXPECT_EQ(n, 15u);
  EXPECT_EQ(ifd + 2 + 12 * n + 4, b.size());
  EXPECT_EQ(u32(b, ifd + 2 + 12 * n), 0u);
  std::map<unsigned, IfdEntry> out;
  for (unsigned i = 0; i < n; ++i) {
    const std::size_t at = ifd + 2 + 12 * i;
    out[u16(b, at)] = {u16(b, at + 2), u32(b, at + 4), u32(b, at + 8)};
  }
  for (unsigned tag : {258u, 273u, 282u, 283u, 305u, 320u}) {
    if (out.count(tag) && (tag != 258 || out[tag].count > 1)) {
      EXPECT_EQ(out[tag].value % 2, 0u) << tag;
    }
  }
  return out;
}

// The Software value's bytes: the name, its NUL and a pad byte when that is odd.
// Everything after it moves with the version's length.
std::size_t softwareBytes() {
  return (productNameAndVersion().size() + 2) & ~std::size_t{1};
}
unsigned after(unsigned offsetAfterTwelveBytes) {
  return static_cast<unsigned>(offsetAfterTwelveBytes - 12 + softwareBytes());
}

std::vector<std::uint8_t> tiff(const Bitmap& picture) {
  MemorySink sink;
  writeTiff(sink, picture);
  return sink.bytes;
}

TEST(Tiff, OnePixelCaptureIsA232ByteRgbFileWithEverythingOnWordBoundaries) {
  Bitmap picture(1, 1, 32);
  picture.setPixel(0, 0, {10, 20, 30});
  const auto b = tiff(picture);
  ASSERT_EQ(b.size(), after(232));
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), std::string("II*\0", 4));
  EXPECT_EQ(u32(b, 4), after(46));
  EXPECT_EQ(u32(b, 8), 877u);
  EXPECT_EQ(u32(b, 12), 10u);
  EXPECT_EQ(u32(b, 16), 877u);
  for (std::size_t at : {24, 26, 28}) EXPECT_EQ(u16(b, at), 8u);
  // A pad byte after the pixels.
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + after(42), b.begin() + after(46)),
            (std::vector<std::uint8_t>{10, 20, 30, 0}));
  const auto ifd = readIfd(b);
  const std::vector<unsigned> tags = {254, 256, 257, 258, 259, 262, 273, 277,
                                      278, 279, 282, 283, 284, 296, 305};
  std::vector<unsigned> seen;
  for (const auto& [tag, e] : ifd) seen.push_back(tag);
  EXPECT_EQ(seen, tags);
  EXPECT_EQ(ifd.at(258).count, 3u);
  EXPECT_EQ(ifd.at(258).value, 24u);
  EXPECT_EQ(ifd.at(262).value, 2u);
  EXPECT_EQ(ifd.at(273).value, after(42));
  EXPECT_EQ(ifd.at(279).value, 3u);
}

TEST(Tiff, RgbRowsAreTopFirstWithoutPaddingFrom24And32Bits) {
  for (int bits : {24, 32}) {
    Bitmap picture(3, 2, bits);
    picture.setPixel(0, 0, {1, 2, 3});
    picture.setPixel(2, 1, {7, 8, 9});
    const auto b = tiff(picture);
    const unsigned data = after(42);
    ASSERT_EQ(b.size(), data + 18 + 186);
    EXPECT_EQ(b[data], 1);
    EXPECT_EQ(b[data + 2], 3);
    EXPECT_EQ(b[data + 15], 7);
    EXPECT_EQ(b[data + 17], 9);
  }
}

TEST(Tiff, EightBitPaletteLayoutAndColorMapScaledBy257) {
  Bitmap picture(10, 10, 8);
  picture.palette()[5] = {255, 255, 255};
  picture.palette()[6] = {1, 2, 3};
  picture.setIndex(9, 9, 5);
  const auto b = tiff(picture);
  ASSERT_EQ(b.size(), after(1672) + 186);
  EXPECT_EQ(u32(b, 4), after(1672));
  // White is 65535 in each of its three places.
  EXPECT_EQ(u16(b, 8 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 512 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 1024 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 2 * 6), 257u);
  EXPECT_EQ(u16(b, 8 + 1024 + 2 * 6), 771u);
  EXPECT_EQ(u32(b, 1544), 877u);
  EXPECT_EQ(b[after(1671)], 5);
  const auto ifd = readIfd(b);
  EXPECT_EQ(ifd.count(284), 0u);
  EXPECT_EQ(ifd.at(258).value, 8u);
  EXPECT_EQ(ifd.at(262).value, 3u);
  EXPECT_EQ(ifd.at(273).value, after(1572));
  EXPECT_EQ(ifd.at(279).value, 100u);
  EXPECT_EQ(ifd.at(282).value, 1544u);
  EXPECT_EQ(ifd.at(283).value, 1552u);
  EXPECT_EQ(ifd.at(305).value, 1560u);
  EXPECT_EQ(ifd.at(320).count, 768u);
  EXPECT_EQ(ifd.at(320).value, 8u);
}

TEST(Tiff, FourBitPictureKeepsEveryColumnOfAnOddWidth) {
  Bitmap picture(7, 2, 4);
  for (int x = 0; x < 7; ++x) picture.setIndex(x, 1, static_cast<unsigned>(x + 1));
  picture.row(1)[3] |= 0x0F;  // stray bits beyond the last pixel must not leak out
  const auto b = tiff(picture);
  EXPECT_EQ(u32(b, 4), after(132) + 8);
  const auto ifd = readIfd(b);
  EXPECT_EQ(ifd.at(256).value, 7u);
  EXPECT_EQ(ifd.at(279).value, 8u);
  EXPECT_EQ(ifd.at(273).value, after(132));
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + after(136), b.begin() + after(140)),
            (std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x70}));
}

// Readers show the Software tag as the program that made the file: ours by name
// and version, NUL-terminated with the NUL counted, as TIFF 6.0 asks of ASCII, in
// both layouts (a fault here once named another program).
TEST(Tiff, SoftwareTagNamesSnaprillAndItsVersionEndingInACountedNul) {
  const std::string name = productNameAndVersion();
  ASSERT_EQ(name.rfind("Snaprill ", 0), 0u);
  for (const int bits : {32, 24, 8, 4, 1}) {
    const auto b = tiff(Bitmap(3, 2, bits));
    const IfdEntry software = readIfd(b).at(305);
    EXPECT_EQ(software.type, 2u) << bits;
    EXPECT_EQ(software.count, name.size() + 1) << bits;
    ASSERT_LE(software.value + software.count, b.size());
    EXPECT_EQ(std::string(b.begin() + software.value, b.begin() + software.value + software.count),
              name + '\0')
        << bits;
  }
}

TEST(Tiff, SidesAbove65535UseLongEntries) {
  const auto b = tiff(Bitmap(70000, 1, 8));
  const auto ifd = readIfd(b);
  EXPECT_EQ(ifd.at(256).type, 4u);
  EXPECT_EQ(ifd.at(256).value, 70000u);
  EXPECT_EQ(ifd.at(257).type, 3u);
}

TEST(Tiff, EmptyPictureWritesNothing) {
  EXPECT_TRUE(tiff(Bitmap()).empty());
}

}  // namespace
}  // namespace snaprill
