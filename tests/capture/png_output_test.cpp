#include "formats/png/png_image.h"
#include "support/cycle_fixture.h"
#include "support/files.h"

namespace snaprill {
namespace {

using testing::CycleTest;

TEST_F(CycleTest, PngCapturesAreWrittenAtTheLevelOfTheBar) {
  options.setValue(Option::outputType, kPng);
  qualityBar.outputTypeChanged();
  EXPECT_EQ(qualityBar.largeStep(), 2);
  options.setValue(Option::qualityBar, 0);
  EXPECT_EQ(options.value(Option::pngLevel), 0);
  EXPECT_EQ(qualityBar.caption(), "Compression Level: 0");

  const Bitmap picture = testing::samplePicture(37, 21);
  capture(picture);
  ASSERT_TRUE(exists("snp1.png"));
  const auto file = testing::readBytes(dir + "snp1.png");
  // Level 0: the first deflate block, right after the zlib header of the first
  // IDAT, is stored (BTYPE 00).
  ASSERT_GT(file.size(), 8u + 25 + 10);
  EXPECT_EQ(file[8 + 25 + 8 + 2] & 0x06, 0);
  PngImage png;
  png.loadFromMemory(file.data(), file.size());
  const Bitmap back = png.toBitmap();
  ASSERT_EQ(back.width(), 37);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(back.pixel(x, y), picture.pixel(x, y));

  options.setValue(Option::outputType, kJpeg);
  qualityBar.outputTypeChanged();
  EXPECT_EQ(qualityBar.largeStep(), 5);
}

}  // namespace
}  // namespace snaprill
