#include "formats/emf/emf_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::int32_t i32At(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
  return static_cast<std::int32_t>(v);
}
std::uint32_t u32At(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(i32At(b, at));
}

struct Record {
  std::uint32_t type;
  std::size_t start;
  std::uint32_t size;
};

// Splits the file into records, checking each one's size and alignment.
std::vector<Record> records(const Bytes& file) {
  std::vector<Record> out;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::uint32_t size = u32At(file, pos + 4);
    EXPECT_GE(size, 8u);
    EXPECT_EQ(size % 4, 0u);
    EXPECT_LE(pos + size, file.size());
    if (size < 8 || pos + size > file.size()) break;
    out.push_back(Record{u32At(file, pos), pos, size});
    pos += size;
  }
  return out;
}

Bytes writeEmf(const Bitmap& picture, const ReferenceScreen& screen) {
  MemorySink sink;
  writeEmf(picture, screen, sink);
  return sink.bytes;
}

TEST(EmfFile, ReferenceScreenAt96Dpi) {
  const ReferenceScreen s = ReferenceScreen::at96Dpi(1920, 1080);
  EXPECT_EQ(s.widthPixels, 1920);
  EXPECT_EQ(s.heightPixels, 1080);
  EXPECT_EQ(s.widthMillimetres, 508);
  EXPECT_EQ(s.heightMillimetres, 286);  // 285.75 rounded
  EXPECT_EQ(ReferenceScreen::at96Dpi(3840, 2160).widthMillimetres, 1016);
}

TEST(EmfFile, HeaderOneRasterRecordCoveringTheCaptureAndEof) {
  for (const int bpp : {32, 24, 16, 8, 4, 1}) {
    SCOPED_TRACE(bpp);
    Bitmap picture(7, 3, 32);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x)
        picture.setPixel(
            x, y, Rgb{static_cast<std::uint8_t>(x * 36), static_cast<std::uint8_t>(y * 120), 200});
    picture.convertTo(bpp);
    const ReferenceScreen screen = ReferenceScreen::at96Dpi(1920, 1080);
    const Bytes file = writeEmf(picture, screen);
    const auto recs = records(file);
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0].type, 1u);
    EXPECT_EQ(recs[1].type, 81u);
    EXPECT_EQ(recs[2].type, 14u);

    // Bounds (inclusive pixels) and frame (0.01 mm): 7 * 50800 / 1920 = 185.2,
    // 3 * 28600 / 1080 = 79.4.
    const std::int32_t frame[] = {0, 0, 6, 2, 0, 0, 185, 79};
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(i32At(file, 8 + 4 * i), frame[i]) << i;
    EXPECT_EQ(std::memcmp(file.data() + 40, " EMF", 4), 0);
    EXPECT_EQ(u32At(file, 44), 0x10000u);
    EXPECT_EQ(u32At(file, 48), file.size());
    EXPECT_EQ(u32At(file, 52), 3u);
    EXPECT_EQ(file[56] | (file[57] << 8), 1);  // handles
    EXPECT_EQ(i32At(file, 72), 1920);
    EXPECT_EQ(i32At(file, 76), 1080);
    EXPECT_EQ(i32At(file, 80), 508);
    EXPECT_EQ(i32At(file, 84), 286);

    // The raster record: destination and source are the whole capture.
    const std::size_t r = recs[1].start;
    EXPECT_EQ(i32At(file, r + 8), 0);
    EXPECT_EQ(i32At(file, r + 16), 6);
    EXPECT_EQ(i32At(file, r + 20), 2);
    const std::int32_t expected[] = {0, 0, 0, 0, 7, 3};  // x/y dest, x/y/cx/cy source
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(i32At(file, r + 24 + 4 * static_cast<std::size_t>(i)), expected[i]);
    const std::uint32_t bmiOffset = u32At(file, r + 48);
    const std::uint32_t bmiSize = u32At(file, r + 52);
    const std::uint32_t bitsOffset = u32At(file, r + 56);
    const std::uint32_t bitsSize = u32At(file, r + 60);
    EXPECT_EQ(u32At(file, r + 64), 0u);           // DIB_RGB_COLORS
    EXPECT_EQ(u32At(file, r + 68), 0x00CC0020u);  // SRCCOPY
    EXPECT_EQ(i32At(file, r + 72), 7);
    EXPECT_EQ(i32At(file, r + 76), 3);
    const std::uint32_t entries = bpp <= 8 ? 1u << bpp : 0u;
    EXPECT_EQ(bmiSize, 40 + 4 * entries);
    EXPECT_EQ(bitsSize, picture.stride() * 3);
    EXPECT_EQ(bitsOffset, bmiOffset + bmiSize);
    EXPECT_EQ(recs[1].size, bitsOffset + bitsSize);
    // The bits follow a bottom-up BITMAPINFOHEADER of the picture's depth (their
    // pixels are checked by the independent decoder check).
    const std::size_t bmi = r + bmiOffset;
    EXPECT_EQ(i32At(file, bmi + 8), 3);
    EXPECT_EQ(file[bmi + 14], bpp);
    EXPECT_EQ(std::memcmp(file.data() + r + bitsOffset, picture.row(2), picture.stride()), 0);

    // End of file.
    EXPECT_EQ(recs[2].size, 20u);
    EXPECT_EQ(u32At(file, recs[2].start + 8), 0u);
    EXPECT_EQ(u32At(file, recs[2].start + 16), 20u);
  }
}

TEST(EmfFile, FrameMapsBackToTheCaptureSizeOnOtherScreens) {
  // Whatever the screen's resolution, the frame scaled back to screen pixels is the
  // capture's size; a screen reporting no size is taken as 96 dots per inch.
  const ReferenceScreen screens[] = {
      {1366, 768, 344, 194}, {3840, 2160, 597, 336}, {1, 1, 1, 1}, {0, 0, 0, 0}};
  for (const ReferenceScreen& screen : screens) {
    for (const int w : {1, 2, 3, 640, 1365, 4000}) {
      const Bytes file = writeEmf(Bitmap(w, 5, 24), screen);
      const std::int32_t right = i32At(file, 32);
      const ReferenceScreen used = screen.widthPixels > 0 ? screen : ReferenceScreen{};
      const double back = right * double(used.widthPixels) / (used.widthMillimetres * 100.0);
      EXPECT_NEAR(back, w, 0.5) << screen.widthPixels << " " << w;
    }
  }
}

TEST(EmfFile, EmptyPictureHasHeaderAndEofOnly) {
  const Bytes file = writeEmf(Bitmap(), ReferenceScreen{});
  const auto recs = records(file);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].type, 1u);
  EXPECT_EQ(recs[1].type, 14u);
  EXPECT_EQ(u32At(file, 48), file.size());
  EXPECT_EQ(u32At(file, 52), 2u);
  EXPECT_EQ(i32At(file, 16), -1);  // empty inclusive bounds
}

}  // namespace
}  // namespace snaprill
