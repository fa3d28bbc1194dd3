#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

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

std::vector<std::uint8_t> tiff(const Bitmap& picture) {
  MemorySink sink;
  writeTiff(sink, picture);
  return sink.bytes;
}

TEST(Tiff, OnePixelCaptureIsA232ByteRgbFileWithEverythingOnWordBoundaries) {
  Bitmap picture(1, 1, 32);
  picture.setPixel(0, 0, {10, 20, 30});
  const auto b = tiff(picture);
  ASSERT_EQ(b.size(), 232u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), std::string("II*\0", 4));
  EXPECT_EQ(u32(b, 4), 46u);
  EXPECT_EQ(u32(b, 8), 877u);
  EXPECT_EQ(u32(b, 12), 10u);
  EXPECT_EQ(u32(b, 16), 877u);
  for (std::size_t at : {24, 26, 28}) EXPECT_EQ(u16(b, at), 8u);
  // The software name ends in a NUL; a pad byte follows, and one after the pixels.
  EXPECT_EQ(std::string(b.begin() + 30, b.begin() + 42), std::string("Dorvexalin\0\0", 12));
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 42, b.begin() + 46),
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
  EXPECT_EQ(ifd.at(273).value, 42u);
  EXPECT_EQ(ifd.at(279).value, 3u);
  EXPECT_EQ(ifd.at(305).type, 2u);
  EXPECT_EQ(ifd.at(305).count, 11u);
  EXPECT_EQ(ifd.at(305).value, 30u);
}

TEST(Tiff, RgbRowsAreTopFirstWithoutPaddingFrom24And32Bits) {
  for (int bits : {24, 32}) {
    Bitmap picture(3, 2, bits);
    picture.setPixel(0, 0, {1, 2, 3});
    picture.setPixel(2, 1, {7, 8, 9});
    const auto b = tiff(picture);
    ASSERT_EQ(b.size(), 42u + 18 + 186);
    EXPECT_EQ(b[42], 1);
    EXPECT_EQ(b[44], 3);
    EXPECT_EQ(b[42 + 15], 7);
    EXPECT_EQ(b[42 + 17], 9);
  }
}

TEST(Tiff, EightBitPaletteLayoutAndColorMapScaledBy257) {
  Bitmap picture(10, 10, 8);
  picture.palette()[5] = {255, 255, 255};
  picture.palette()[6] = {1, 2, 3};
  picture.setIndex(9, 9, 5);
  const auto b = tiff(picture);
  ASSERT_EQ(b.size(), 1672u + 186);
  EXPECT_EQ(u32(b, 4), 1672u);
  // White is 65535 in each of its three places.
  EXPECT_EQ(u16(b, 8 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 512 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 1024 + 2 * 5), 65535u);
  EXPECT_EQ(u16(b, 8 + 2 * 6), 257u);
  EXPECT_EQ(u16(b, 8 + 1024 + 2 * 6), 771u);
  EXPECT_EQ(u32(b, 1544), 877u);
  EXPECT_EQ(std::string(b.begin() + 1560, b.begin() + 1572), std::string("Dorvexalin\0\0", 12));
  EXPECT_EQ(b[1671], 5);
  const auto ifd = readIfd(b);
  EXPECT_EQ(ifd.count(284), 0u);
  EXPECT_EQ(ifd.at(258).value, 8u);
  EXPECT_EQ(ifd.at(262).value, 3u);
  EXPECT_EQ(ifd.at(273).value, 1572u);
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
  EXPECT_EQ(u32(b, 4), 132u + 8);
  const auto ifd = readIfd(b);
  EXPECT_EQ(ifd.at(256).value, 7u);
  EXPECT_EQ(ifd.at(279).value, 8u);
  EXPECT_EQ(ifd.at(273).value, 132u);
  EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + 136, b.begin() + 140),
            (std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x70}));
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
