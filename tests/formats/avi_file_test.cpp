#include "formats/avi/avi_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/error_kind.h"
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
  using K = FormatErrorKind;
  EXPECT_EQ(testing::errorKind<FileError>([&] { AviFile missing(dir + "missing/x.avi"); }),
            FileErrorKind::NotCreated);
  {
    AviFile avi(dir + "a.avi");
    const auto refusal = [](auto step) { return testing::errorKind<FormatError>(step); };
    const std::uint8_t frame[16] = {};
    EXPECT_EQ(refusal([&] { avi.write(0, frame, 16, kAviKeyFrame); }), K::OutOfOrder);  // no format
    EXPECT_EQ(refusal([&] { avi.setFormat(bitmapInfo8(picture)); }), K::OutOfOrder);    // no stream
    AviStreamInfo audio = video();
    audio.fccType = fourcc("auds");
    EXPECT_EQ(refusal([&] { avi.createStream(audio); }), K::Unsupported);
    avi.createStream(video());
    EXPECT_EQ(refusal([&] { avi.createStream(video()); }), K::OutOfOrder);  // one stream only
    std::vector<std::uint8_t> format = bitmapInfo8(picture);
    format[14] = 24;
    EXPECT_EQ(refusal([&] { avi.setFormat(format); }), K::Unsupported);
    avi.setFormat(bitmapInfo8(picture));
    avi.maxBytes = 2000;
    avi.write(0, frame, 16, kAviKeyFrame);
    EXPECT_EQ(refusal([&] { avi.write(0, frame, 16, kAviKeyFrame); }), K::OutOfOrder);  // taken
    const std::vector<std::uint8_t> big(1000);
    EXPECT_EQ(refusal([&] { avi.write(1, big.data(), big.size(), kAviKeyFrame); }),
              K::TooLarge);  // beyond the size limit
  }                          // never closed: nothing left behind
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(AviFileTest, SkippedPositionsGetEmptyChunksAndSizesAddUp) {
  AviFile avi(dir + "b.avi");
  avi.createStream(video());
  avi.setFormat(bitmapInfo8(picture));
  const std::vector<std::uint8_t> bits = bitmapBits8(picture);
  ASSERT_EQ(bits.size(), 24u);
  avi.write(0, bits.data(), bits.size(), kAviKeyFrame);
  avi.write(2, bits.data(), bits.size(), kAviKeyFrame);
  avi.close();
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
