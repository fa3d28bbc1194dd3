#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "formats/jpeg/jpeg.h"
#include "formats/jpeg/jpeg_strips.h"
#include "support/error_kind.h"
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

// The numbers of the restart markers in a file's scan, in order.
std::vector<int> restartMarkers(const std::vector<std::uint8_t>& b) {
  std::vector<int> found;
  for (std::size_t i = 0; i + 1 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] >= 0xD0 && b[i + 1] <= 0xD7) found.push_back(b[i + 1] - 0xD0);
  return found;
}

// Strips compressed side by side: byte for byte the file that one compression with
// the same restart interval writes, whatever the strips' height, sides that are no
// whole 16-pixel blocks, a last strip shorter than the others, palette pictures, and
// however many threads; the restart markers count 0 to 7 and round again.
TEST(Jpeg, StripsJoinIntoTheFileOfOneCompressionWithTheirRestartInterval) {
  struct Case {
    int width, height, bitsPerPixel, mcuRows;
  };
  const Case cases[] = {{37, 23, 32, 1}, {100, 50, 32, 1}, {333, 211, 32, 2}, {17, 300, 32, 1},
                        {1, 129, 24, 3}, {300, 1, 32, 1},  {64, 64, 8, 8},    {45, 77, 4, 1}};
  for (const Case& c : cases) {
    const Bitmap picture =
        testing::screenshotLike(c.width, c.height, 4).convertedTo(c.bitsPerPixel);
    MemorySink one;
    jpeg_detail::compressRows(picture, 85, {0, c.height, c.mcuRows}, nullptr, one);
    const int stripRows = 16 * c.mcuRows;
    const int strips = (c.height + stripRows - 1) / stripRows;
    std::vector<int> expected;
    for (int i = 0; i + 1 < strips; ++i) expected.push_back(i % 8);
    ASSERT_EQ(restartMarkers(one.bytes), expected) << c.width << "x" << c.height;
    for (int threads : {1, 3}) {
      const JpegStrips how{c.mcuRows, threads};
      MemorySink joined;
      writeJpeg(picture, 85, joined, nullptr, &how);
      EXPECT_EQ(joined.bytes, one.bytes) << c.width << "x" << c.height << " on " << threads;
      const Bitmap back = readJpeg(joined.bytes.data(), joined.bytes.size());
      EXPECT_EQ(back.height(), c.height);
    }
  }
}

// A side beyond what a frame header can hold: every strip would fit, and the joined
// file's height would wrap around to a small one, a broken file reported as written.
TEST(Jpeg, PicturesBeyondTheFramesSidesAreRefusedInStripsAsInOnePiece) {
  const JpegStrips strips{1, 2};
  for (const auto& [width, height] : {std::pair{40, 70001}, std::pair{70001, 48}}) {
    const Bitmap picture(width, height, 8);  // over 3 megapixels: strips, where they pay
    for (const JpegStrips* how : {static_cast<const JpegStrips*>(nullptr), &strips}) {
      MemorySink out;
      EXPECT_EQ(testing::errorKind<FormatError>([&] { writeJpeg(picture, 90, out, nullptr, how); }),
                FormatErrorKind::TooLarge)
          << width << "x" << height << (how ? " in strips" : "");
    }
  }
}

// Rows still arriving from a decoder: strips would read rows that are not there
// yet, so the picture is written in one piece as they come, and is the whole
// picture's JPEG.
TEST(Jpeg, APictureWhoseRowsStillArriveIsWrittenInOnePiece) {
  const Bitmap whole = testing::screenshotLike(64, 100, 2);
  Bitmap arriving(64, 100, 32);
  ArrivingRows rows;
  rows.start(
      100,
      [&](const ArrivingRows::Publish& publish) {
        for (int y = 0; y < 100; ++y) {
          std::this_thread::sleep_for(std::chrono::microseconds(100));
          std::memcpy(arriving.row(y), whole.row(y), whole.stride());
          publish(y + 1);
        }
        return true;
      },
      [] {});
  const JpegStrips how{1, 2};
  MemorySink written, expected;
  writeJpeg(arriving, 90, written, &rows, &how);
  rows.complete();
  writeJpeg(whole, 90, expected);
  EXPECT_EQ(written.bytes, expected.bytes);
}

TEST(Jpeg, SinkFailurePropagates) {
  struct FailingSink : ByteSink {
    void write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
  } sink;
  EXPECT_THROW(writeJpeg(testing::samplePicture(), 90, sink), std::runtime_error);
  // Also while strips are still being made on other threads.
  const JpegStrips strips{1, 3};
  EXPECT_THROW(writeJpeg(testing::samplePicture(64, 200), 90, sink, nullptr, &strips),
               std::runtime_error);
}

}  // namespace
}  // namespace snaprill
