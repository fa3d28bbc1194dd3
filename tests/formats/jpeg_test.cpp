#include <gtest/gtest.h>

#include <algorithm>

#include "formats/jpeg/jpeg.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

bool hasMarker(const std::vector<std::uint8_t>& b, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == marker) return true;
  return false;
}

TEST(Jpeg, BaselineFilesAtEveryQualityDecodeToTheCapturesSize) {
  const Bitmap picture = testing::samplePicture(37, 23);
  for (int quality : {1, 90, 100}) {
    MemorySink out;
    writeJpeg(picture, quality, out);
    EXPECT_TRUE(hasMarker(out.bytes, 0xC0)) << quality;   // baseline DCT frame
    EXPECT_FALSE(hasMarker(out.bytes, 0xC2)) << quality;  // never progressive
    const Bitmap back = readJpeg(out.bytes.data(), out.bytes.size());
    EXPECT_EQ(back.width(), 37);
    EXPECT_EQ(back.height(), 23);
    if (quality == 100) {
      // Close to the picture, though quality 100 is not lossless.
      const Rgb a = picture.pixel(10, 20), b = back.pixel(10, 20);
      EXPECT_NEAR(a.r, b.r, 8);
      EXPECT_NEAR(a.b, b.b, 8);
    }
  }
}

TEST(Jpeg, EveryPixelFormatIsWrittenAsColour) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    const Bitmap picture = testing::samplePicture(9, 5).convertedTo(bpp);
    MemorySink out;
    writeJpeg(picture, 90, out);
    EXPECT_EQ(readJpeg(out.bytes.data(), out.bytes.size()).width(), 9) << bpp;
  }
}

TEST(Jpeg, CorruptOrTruncatedDataRaisesInsteadOfEndingTheProcess) {
  MemorySink out;
  writeJpeg(testing::samplePicture(16, 16), 90, out);
  // A cut header is fatal to libjpeg; a cut scan only makes it warn, which the
  // reader takes as fatal too.
  for (std::size_t cut : {std::size_t{2}, std::size_t{20}, out.bytes.size() / 2}) {
    EXPECT_THROW(readJpeg(out.bytes.data(), cut), FormatError) << cut;
  }
  std::vector<std::uint8_t> junk = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0x01};
  EXPECT_THROW(readJpeg(junk.data(), junk.size()), FormatError);
}

TEST(Jpeg, SinkFailurePropagates) {
  struct FailingSink : ByteSink {
    void write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
  } sink;
  EXPECT_THROW(writeJpeg(testing::samplePicture(), 90, sink), std::runtime_error);
}

}  // namespace
}  // namespace snaprill
