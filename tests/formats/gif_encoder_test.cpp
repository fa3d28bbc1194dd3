#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "formats/gif/gif_image.h"
#include "formats/gif/gif_reader.h"
#include "support/gif_test_support.h"

namespace snaprill {
namespace {

using testing::gifBytes;
using testing::indexedPicture;
using testing::noise;
using testing::readCodes;
using testing::readSubBlocks;

constexpr std::size_t kDescriptor = 13;           // after header and screen descriptor
constexpr std::size_t kTable = kDescriptor + 10;  // local table of a frame without extensions
constexpr std::size_t kData = kTable + 768;       // minimum code size

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::vector<std::uint8_t> singleFrame(int w, int h, const std::vector<std::uint8_t>& indexes) {
  GifImage gif;
  gif.appendFrame(indexedPicture(w, h, indexes));
  return gifBytes(gif);
}

TEST(GifEncoder, SingleImageLayout) {
  GifImage gif;
  Bitmap capture(40, 30, 32);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      capture.setPixel(x, y, {std::uint8_t(x * 6), std::uint8_t(y * 8), 90});
  gif.appendFrame(capture);
  const auto b = gifBytes(gif);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF87a");
  EXPECT_EQ(le16(b, 6), 40);
  EXPECT_EQ(le16(b, 8), 30);
  EXPECT_EQ(b[10], 0x77);  // 256 colours announced, no global table
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[12], 0);
  ASSERT_EQ(b[kDescriptor], 0x2C);  // no extension before the frame
  EXPECT_EQ(le16(b, kDescriptor + 5), 40);
  EXPECT_EQ(le16(b, kDescriptor + 7), 30);
  EXPECT_EQ(b[kDescriptor + 9], 0x87);
  // The table holds the system colours at both ends.
  EXPECT_EQ((std::vector<int>{b[kTable + 3], b[kTable + 4], b[kTable + 5]}),
            (std::vector<int>{128, 0, 0}));
  EXPECT_EQ((std::vector<int>{b[kData - 3], b[kData - 2], b[kData - 1]}),
            (std::vector<int>{255, 255, 255}));
  EXPECT_EQ(b[kData], 8);
  const auto blocks = readSubBlocks(b, kData + 1);
  EXPECT_EQ(blocks.end + 1, b.size());
  EXPECT_EQ(b.back(), 0x3B);
}

TEST(GifEncoder, OnePixelFrameIsOneFourByteBlock) {
  const auto b = (singleFrame(1, 1, {0xA5}));
  ASSERT_EQ(b.size(), kData + 1 + 5 + 1 + 1);
  EXPECT_EQ(b[kData], 8);
  EXPECT_EQ(b[kData + 1], 4);
  // clear (256), the pixel, end (257): 9 bits each, least significant bit first.
  const std::uint32_t bits = 256u | 0xA5u << 9 | 257u << 18;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b[kData + 2 + i], std::uint8_t(bits >> (8 * i))) << i;
  EXPECT_EQ(b[kData + 6], 0);
  EXPECT_EQ(b[kData + 7], 0x3B);
}

TEST(GifEncoder, DataOfWholeBlocksEndsWithFullBlockThenTerminator) {
  // Noise frames of growing size until one compresses to a multiple of 255 bytes.
  for (int w = 20; w < 2000; ++w) {
    const auto b = (singleFrame(w, 3, noise(static_cast<std::size_t>(w) * 3, 9)));
    const auto blocks = readSubBlocks(b, kData + 1);
    if (blocks.data.size() % 255 != 0) {
      EXPECT_LT(blocks.lengths.back(), 255u);
      continue;
    }
    EXPECT_TRUE(std::all_of(blocks.lengths.begin(), blocks.lengths.end(),
                            [](std::size_t n) { return n == 255; }));
    EXPECT_EQ(blocks.end + 1, b.size());
    return;
  }
  FAIL() << "no frame of whole blocks found";
}

TEST(GifEncoder, FirstFrameCoversTheScreenWithBlackAroundASmallerCapture) {
  // A 2 x 2 first capture, then a 4 x 3 one. Readers disagreed about the part of the
  // screen the first frame left uncovered (black, white or transparent).
  Bitmap twoColours(2, 2, 1);  // red and white: black joins the table
  twoColours.palette() = {{200, 0, 0}, {255, 255, 255}};
  twoColours.setIndex(1, 1, 1);
  Bitmap noBlack = indexedPicture(2, 2, {0, 1, 2, 3});  // a full table: its darkest
  for (auto& c : noBlack.palette()) c.r = static_cast<std::uint8_t>(std::max(1, int{c.r}));
  for (const auto& [first, around, tableBytes] :
       {std::tuple{twoColours, Rgb{0, 0, 0}, 12}, std::tuple{noBlack, Rgb{1, 0, 0}, 768}}) {
    GifImage gif;
    gif.appendFrame(first);
    gif.appendFrame(testing::indexedPicture(4, 3, std::vector<std::uint8_t>(12, 9)));
    const auto b = gifBytes(gif);
    ASSERT_EQ(b[kDescriptor], 0x2C);
    EXPECT_EQ(le16(b, kDescriptor + 1), 0);
    EXPECT_EQ(le16(b, kDescriptor + 3), 0);
    EXPECT_EQ(le16(b, kDescriptor + 5), 4);
    EXPECT_EQ(le16(b, kDescriptor + 7), 3);
    EXPECT_EQ(3 << ((b[kDescriptor + 9] & 7) + 1), tableBytes);
    const Bitmap shown = readGif(b.data(), b.size());
    EXPECT_EQ(shown.pixel(0, 0), first.pixel(0, 0));
    EXPECT_EQ(shown.pixel(1, 1), first.pixel(1, 1));
    EXPECT_EQ(shown.pixel(2, 0), around);
    EXPECT_EQ(shown.pixel(3, 2), around);
    // The frame itself stays as it was appended.
    EXPECT_EQ(gif.frameAt(0).width, 2);
  }
}

TEST(GifEncoder, NoiseClearsAtTwelveBitsWhenTableFull) {
  const auto b = (singleFrame(300, 200, noise(60000)));
  const auto codes = readCodes(readSubBlocks(b, kData + 1).data, 8);
  ASSERT_EQ(codes.back().value, 257u);
  std::vector<std::size_t> clears;
  for (std::size_t i = 0; i < codes.size(); ++i)
    if (codes[i].value == 256) clears.push_back(i);
  ASSERT_GT(clears.size(), 5u);
  EXPECT_EQ(codes[0].width, 9);
  for (std::size_t k = 1; k < clears.size(); ++k) {
    EXPECT_EQ(codes[clears[k]].width, 12);
    // 3837 entries (258..4094) are made, then one more code before the clear.
    EXPECT_EQ(clears[k] - clears[k - 1] - 1, 3838u);
    EXPECT_EQ(codes[clears[k] + 1].width, 9);
  }
}

TEST(GifEncoder, FlatFrameNeedsNoSecondClear) {
  const auto b = (singleFrame(1024, 768, std::vector<std::uint8_t>(1024 * 768, 7)));
  const auto codes = readCodes(readSubBlocks(b, kData + 1).data, 8);
  EXPECT_EQ(std::count_if(codes.begin(), codes.end(), [](const auto& c) { return c.value == 256; }),
            1);
  EXPECT_EQ(codes.back().value, 257u);
}

TEST(GifEncoder, AnimationFramesCarryDelayAndLoopBlocks) {
  GifImage gif;
  for (int i = 0; i < 3; ++i) {
    const int index =
        gif.appendFrame(indexedPicture(8, 4, std::vector<std::uint8_t>(32, std::uint8_t(i))));
    gif.frameAt(index).addAnimationExtensions(10);
  }
  const auto b = gifBytes(gif);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
  const std::vector<std::uint8_t> gce = {0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00};
  std::vector<std::uint8_t> loop = {0x21, 0xFF, 0x0B};
  for (char c : std::string("NETSCAPE2.0")) loop.push_back(std::uint8_t(c));
  loop.insert(loop.end(), {0x03, 0x01, 0x00, 0x00, 0x00});
  ASSERT_EQ(loop.size(), 19u);
  std::size_t pos = kDescriptor;
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_TRUE(std::equal(gce.begin(), gce.end(), b.begin() + static_cast<std::ptrdiff_t>(pos)));
    pos += gce.size();
    EXPECT_TRUE(std::equal(loop.begin(), loop.end(), b.begin() + static_cast<std::ptrdiff_t>(pos)));
    pos += loop.size();
    ASSERT_EQ(b[pos], 0x2C);
    pos = readSubBlocks(b, pos + 10 + 768 + 1).end;
  }
  EXPECT_EQ(pos + 1, b.size());
}

TEST(GifEncoder, ErrorsCarryTheirTexts) {
  const auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(message([] { gifBytes(GifImage()); }), "Unsupported GIF version");
  EXPECT_EQ(message([] {
              GifImage gif;
              gif.appendFrame(indexedPicture(2, 1, {0, 1}));
              gif.frameAt(0).localColors.assign({{0, 0, 0}});
              gifBytes(gif);
            }),
            "Color not in color table");
  EXPECT_EQ(message([] {
              GifColorMap full;
              full.assign(std::vector<Rgb>(256));
              full.add({});
            }),
            "Color table overflow");
}

TEST(GifEncoder, RenderOptionsReleaseFramesOntoTheCube) {
  GifImage gif;
  Bitmap capture(16, 8, 32);
  for (int x = 0; x < 16; ++x) capture.setPixel(x, 3, {200, 17, 90});
  gif.appendFrame(capture);
  EXPECT_EQ(gif.frameAt(0).frameBitmap().palette()[246], (Rgb{255, 251, 240}));
  gif.setRenderOptions(0x020F);
  // One frame: its table becomes the global one.
  EXPECT_EQ(gif.frameAt(0).localColors.count(), 0);
  EXPECT_EQ(gif.header.globalColors.count(), 256);
  const Bitmap cube = gif.frameAt(0).frameBitmap();
  EXPECT_EQ(cube.palette()[215], (Rgb{255, 255, 255}));
  EXPECT_EQ(cube.palette()[216], (Rgb{}));
  EXPECT_EQ(cube.row(0)[0], 0);  // black on the cube
  gif.setRenderOptions(0x020F);  // unchanged: nothing happens
  gif.appendFrame(capture);
  EXPECT_EQ(gif.frameAt(1).frameBitmap().palette()[246], (Rgb{255, 251, 240}));
  // The file stays readable with a global table: the size field covers it.
  const auto b = gifBytes(gif);
  EXPECT_EQ(b[10], 0xF7);
}

// Frames with room for a transparent colour (16-colour pictures).
TEST(GifEncoder, MergeFramesMakesRepeatedPixelsTransparent) {
  Bitmap a(4, 2, 4), c(4, 2, 4);
  for (int x = 0; x < 4; ++x) {
    a.setIndex(x, 0, 1);
    a.setIndex(x, 1, 2);
    c.setIndex(x, 0, x < 2 ? 1u : 3u);  // left half repeats frame 0
    c.setIndex(x, 1, 2);
  }
  GifImage gif;
  gif.appendFrame(a);
  gif.appendFrame(c);
  gif.appendFrame(c);
  gif.frameAt(2).addAnimationExtensions(5);
  gif.mergeFrames();
  const GifFrame& second = gif.frameAt(1);
  ASSERT_TRUE(second.transparent());
  EXPECT_EQ(second.graphicControl()->transparentIndex, 16);
  EXPECT_EQ(second.localColors.count(), 17);
  EXPECT_EQ(second.pixels, (std::vector<std::uint8_t>{16, 16, 3, 3, 16, 16, 16, 16}));
  // Frames merge from the last one down, so the third is compared with the second
  // as it was: it repeats it entirely, and its own extension gets the flag.
  const GifFrame& third = gif.frameAt(2);
  ASSERT_TRUE(third.transparent());
  EXPECT_EQ(third.extensions().size(), 2u);
  EXPECT_EQ(third.graphicControl()->delay, 5);
  EXPECT_EQ(third.pixels, std::vector<std::uint8_t>(8, 16));
}

TEST(GifEncoder, MergeFramesLeavesFullTablesAlone) {
  GifImage gif;
  Bitmap capture(12, 6, 32);
  gif.appendFrame(capture);
  gif.appendFrame(capture);
  gif.frameAt(1).addAnimationExtensions(10);
  const auto before = gifBytes(gif);
  gif.mergeFrames();
  EXPECT_EQ(gifBytes(gif), before);
}

}  // namespace
}  // namespace snaprill
