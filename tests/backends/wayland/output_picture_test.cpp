// An output's buffer made upright: each turn and mirror image of a 3x2 buffer with
// padded rows, written out as a person turning the picture by hand would see it;
// the rows' order flag; red-first formats; buffers that cannot be read.
#include "backends/wayland/output_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wayland-client-protocol.h>

namespace snaprill {
namespace {

// The buffer  a b c  with each pixel's letter in its blue byte, rows 16 bytes apart.
//             d e f
std::vector<std::uint8_t> letters() {
  std::vector<std::uint8_t> bytes(32, 0xee);
  const char* rows[] = {"abc", "def"};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      std::uint8_t* pixel = &bytes[static_cast<std::size_t>(y * 16 + x * 4)];
      pixel[0] = static_cast<std::uint8_t>(rows[y][x]);
      pixel[1] = 0;
      pixel[2] = 7;
      pixel[3] = 0;
    }
  }
  return bytes;
}

// The picture's letters, rows separated by '/'.
std::string lettersOf(const Bitmap& picture) {
  std::string text;
  for (int y = 0; y < picture.height(); ++y) {
    if (y > 0) text += '/';
    for (int x = 0; x < picture.width(); ++x) text += static_cast<char>(picture.pixel(x, y).b);
  }
  return text;
}

TEST(OutputPicture, TurnedAndMirroredBuffersComeOutUpright) {
  const std::vector<std::uint8_t> buffer = letters();
  struct Case {
    int transform;
    bool upsideDown;
    const char* upright;
  };
  const Case cases[] = {
      {WL_OUTPUT_TRANSFORM_NORMAL, false, "abc/def"},
      // The compositor turned the desktop a quarter counter-clockwise for the
      // monitor: turned back clockwise.
      {WL_OUTPUT_TRANSFORM_90, false, "da/eb/fc"},
      {WL_OUTPUT_TRANSFORM_180, false, "fed/cba"},
      {WL_OUTPUT_TRANSFORM_270, false, "cf/be/ad"},
      {WL_OUTPUT_TRANSFORM_FLIPPED, false, "cba/fed"},
      {WL_OUTPUT_TRANSFORM_FLIPPED_90, false, "ad/be/cf"},
      {WL_OUTPUT_TRANSFORM_FLIPPED_180, false, "def/abc"},
      {WL_OUTPUT_TRANSFORM_FLIPPED_270, false, "fc/eb/da"},
      // Rows bottom first: put right before anything is turned.
      {WL_OUTPUT_TRANSFORM_NORMAL, true, "def/abc"},
      {WL_OUTPUT_TRANSFORM_90, true, "ad/be/cf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.transform) + (c.upsideDown ? " upside down" : ""));
    const std::optional<Bitmap> picture = uprightPicture(
        OutputBuffer{WL_SHM_FORMAT_XRGB8888, 3, 2, 16, c.upsideDown, c.transform, buffer.data()});
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bitsPerPixel(), 32);
    EXPECT_EQ(lettersOf(*picture), c.upright);
    EXPECT_EQ(picture->pixel(0, 0).r, 7);
  }
}

TEST(OutputPicture, RedFirstFormatsAreSwappedAndUnreadableBuffersRefused) {
  const std::vector<std::uint8_t> buffer = letters();
  const std::optional<Bitmap> redFirst =
      uprightPicture(OutputBuffer{WL_SHM_FORMAT_XBGR8888, 3, 2, 16, false, 1, buffer.data()});
  ASSERT_TRUE(redFirst);
  EXPECT_EQ(redFirst->pixel(0, 0), (Rgb{'d', 0, 7}));

  // A 16-bit format, rows shorter than the width, no pixels at all.
  EXPECT_FALSE(
      uprightPicture(OutputBuffer{WL_SHM_FORMAT_RGB565, 3, 2, 16, false, 0, buffer.data()}));
  EXPECT_FALSE(
      uprightPicture(OutputBuffer{WL_SHM_FORMAT_XRGB8888, 5, 2, 16, false, 0, buffer.data()}));
  EXPECT_FALSE(
      uprightPicture(OutputBuffer{WL_SHM_FORMAT_XRGB8888, 0, 0, 0, false, 0, buffer.data()}));
}

}  // namespace
}  // namespace snaprill
