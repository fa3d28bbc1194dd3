#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "codecs/jpeg.h"
#include "codecs/jpeg_strips.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

std::vector<std::uint8_t> encode(const Bitmap& picture, int quality, int strips) {
  MemorySink out;
  // Two threads share the strips, as on the machines the program mostly runs on.
  WriteJpegInStrips(picture, quality, out, strips, 2);
  return out.bytes;
}

std::size_t sosEnd(const std::vector<std::uint8_t>& f) {
  for (std::size_t i = 0; i + 3 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] == 0xDA) return i + 2 + (std::size_t{f[i + 2]} << 8 | f[i + 3]);
  return f.size();
}

std::string failure(const Bitmap& picture, int strips) {
  try {
    encode(picture, 90, strips);
  } catch (const JpegError& e) {
    return e.what();
  }
  return "no error";
}

TEST(JpegStrips, FilesJoinedFromStripsEqualTheWholeEncodeByteForByte) {
  struct Case {
    int width, height, bpp, quality, strips;
    bool noise;  // noise: many 0xFF bytes to stuff, also at strip ends
  };
  const Case cases[] = {
      {1920, 1080, 32, 90, 2, false}, {1000, 700, 32, 1, 3, true},  {1000, 700, 24, 100, 2, true},
      {333, 1037, 32, 90, 5, true},   {1001, 515, 8, 90, 2, false}, {257, 300, 16, 75, 2, true},
      {17, 256, 4, 90, 2, false},     {40, 300, 1, 90, 2, true},
  };
  for (const Case& c : cases) {
    const std::string name = std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                             std::to_string(c.bpp) + " q" + std::to_string(c.quality);
    const Bitmap picture = c.noise ? testing::noisePicture(c.width, c.height, c.bpp, 7)
                                   : testing::samplePicture(c.width, c.height).convertedTo(c.bpp);
    ASSERT_GT(PlanJpegStrips(c.height, 16, c.strips).size(), 1u) << name;
    const std::vector<std::uint8_t> whole = encode(picture, c.quality, 1);
    EXPECT_TRUE(encode(picture, c.quality, c.strips) == whole) << name;
  }
  // What WriteJpeg chooses on this machine makes no difference either.
  const Bitmap capture = testing::samplePicture(1920, 1080);
  MemorySink chosen;
  WriteJpeg(capture, 90, chosen);
  EXPECT_TRUE(chosen.bytes == encode(capture, 90, 1));
}

TEST(JpegStrips, StripsAreWholeBlocksOfEightMcuRowsCoveringThePicture) {
  for (int height : {1, 255, 256, 257, 515, 1080, 2160, 4099})
    for (int strips : {1, 2, 3, 8, 64}) {
      const std::vector<int> rows = PlanJpegStrips(height, 16, strips);
      ASSERT_FALSE(rows.empty());
      EXPECT_LE(rows.size(), static_cast<std::size_t>(strips));
      EXPECT_EQ(std::accumulate(rows.begin(), rows.end(), 0), height);
      for (std::size_t i = 0; i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i] % 128, 0) << height;
      EXPECT_GT(rows.back(), 0);
    }
  EXPECT_EQ(PlanJpegStrips(1080, 16, 2), (std::vector<int>{512, 568}));
  EXPECT_EQ(PlanJpegStrips(1200, 16, 2), (std::vector<int>{640, 560}));
  EXPECT_EQ(PlanJpegStrips(128, 16, 2), (std::vector<int>{128}));
}

TEST(JpegStrips, FailuresReadAsTheyDoForTheWholePicture) {
  // Too tall for JPEG, although each strip would not be; too wide, in every strip.
  const Bitmap tall(8, 65501, 8), wide(65501, 256, 8);
  EXPECT_EQ(failure(tall, 2), failure(tall, 1));
  EXPECT_EQ(failure(wide, 2), failure(wide, 1));
  EXPECT_NE(failure(wide, 1), "no error");

  // A sink that fails at its n-th write, in the first strip or in a later one.
  struct FailingSink : ByteSink {
    int writesLeft;
    explicit FailingSink(int n) : writesLeft(n) {}
    void write(const void*, std::size_t) override {
      if (--writesLeft < 0) throw std::runtime_error("disk full");
    }
  };
  const Bitmap picture = testing::noisePicture(64, 600, 32, 3);
  for (int n : {0, 1, 2, 3, 4, 5}) {
    FailingSink sink(n);
    EXPECT_THROW(WriteJpegInStrips(picture, 90, sink, 3, 2), std::runtime_error) << n;
  }
}

TEST(JpegStrips, JoinerRefusesAStripCutShortInItsHeaders) {
  std::vector<std::uint8_t> strip = encode(testing::samplePicture(16, 16), 90, 1);
  for (std::size_t cut = 0; cut < sosEnd(strip); ++cut) {
    std::vector<std::uint8_t> cutShort(strip.begin(), strip.begin() + long(cut));
    cutShort.insert(cutShort.end(), {0xFF, 0xD9});
    MemorySink out;
    JpegStripJoiner joiner(out, 16);
    EXPECT_THROW(joiner.add(cutShort, 1), JpegError) << cut;
  }
}

}  // namespace
}  // namespace snaprill
