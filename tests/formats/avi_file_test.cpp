#include "formats/avi/avi_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

class AviFileTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> read(const std::string& name) const {
    return testing::readBytes(dir + name);
  }
  static std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
  }
  static AviStreamInfo video() {
    AviStreamInfo info;
    info.fccType = fourcc("vids");
    info.scale = 10;
    info.rate = 65;
    return info;
  }
  testing::TempDir temp;
  const std::string dir = temp.path();
  Bitmap picture{5, 3, 8};
};

TEST_F(AviFileTest, RefusesWhatItCannotWrite) {
  EXPECT_EQ(AviFile::open(dir + "missing/x.avi"), nullptr);
  auto avi = AviFile::open(dir + "a.avi");
  ASSERT_NE(avi, nullptr);
  const std::uint8_t frame[16] = {};
  EXPECT_FALSE(avi->write(0, frame, 16, kAviKeyFrame));  // no format yet
  EXPECT_FALSE(avi->setFormat(bitmapInfo8(picture)));    // no stream yet
  AviStreamInfo audio = video();
  audio.fccType = fourcc("auds");
  EXPECT_FALSE(avi->createStream(audio));
  ASSERT_TRUE(avi->createStream(video()));
  EXPECT_FALSE(avi->createStream(video()));  // one stream only
  std::vector<std::uint8_t> format = bitmapInfo8(picture);
  format[14] = 24;
  EXPECT_FALSE(avi->setFormat(format));
  ASSERT_TRUE(avi->setFormat(bitmapInfo8(picture)));
  avi->maxBytes = 2000;
  EXPECT_TRUE(avi->write(0, frame, 16, kAviKeyFrame));
  EXPECT_FALSE(avi->write(0, frame, 16, kAviKeyFrame));  // position taken
  const std::vector<std::uint8_t> big(1000);
  EXPECT_FALSE(avi->write(1, big.data(), big.size(), kAviKeyFrame));  // beyond the size limit
  avi.reset();  // never closed: nothing left behind
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(AviFileTest, SkippedPositionsGetEmptyChunksAndSizesAddUp) {
  auto avi = AviFile::open(dir + "b.avi");
  ASSERT_TRUE(avi->createStream(video()));
  ASSERT_TRUE(avi->setFormat(bitmapInfo8(picture)));
  const std::vector<std::uint8_t> bits = bitmapBits8(picture);
  ASSERT_EQ(bits.size(), 24u);
  ASSERT_TRUE(avi->write(0, bits.data(), bits.size(), kAviKeyFrame));
  ASSERT_TRUE(avi->write(2, bits.data(), bits.size(), kAviKeyFrame));
  ASSERT_TRUE(avi->close());
  const auto b = read("b.avi");
  EXPECT_EQ(le32(b, 4) + 8, b.size());
  EXPECT_EQ(le32(b, 12 + 12 + 8 + 16), 3u);  // avih total frames
  const auto idx = static_cast<std::size_t>(b.size() - 8 - 48);
  ASSERT_EQ(std::string(b.begin() + long(idx), b.begin() + long(idx) + 4), "idx1");
  const std::size_t movi = idx - (8 + 24) * 2 - 8 - 4;  // the 'movi' FOURCC
  EXPECT_EQ(std::string(b.begin() + long(movi), b.begin() + long(movi) + 4), "movi");
  const std::uint32_t sizes[3] = {24, 0, 24}, flags[3] = {0x10, 0, 0x10};
  std::size_t offset = 4;
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(le32(b, idx + 8 + 16 * i + 4), flags[i]);
    EXPECT_EQ(le32(b, idx + 8 + 16 * i + 8), offset);
    EXPECT_EQ(le32(b, idx + 8 + 16 * i + 12), sizes[i]);
    offset += 8 + sizes[i];
  }
}

}  // namespace
}  // namespace snaprill
