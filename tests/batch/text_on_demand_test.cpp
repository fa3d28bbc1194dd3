#include "batch/text_on_demand.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/byte_sink.h"
#include "batch/batch.h"
#include "formats/bmp/bmp_file.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

TextFont plainFont() {
  TextFont font;
  font.name = "DejaVu Sans";
  font.pointSize = 12;
  font.colour = Rgb{0, 0, 0};
  return font;
}

TEST(TextOnDemand, WithoutTheModuleSaysSoOnceAndDrawsNothing) {
  testing::TempDir empty;
  std::ostringstream err;
  TextOnDemand text({empty.path(), empty.path() + "lib/"}, err);
  Bitmap picture = testing::samplePicture(40, 20);
  const Bitmap before = picture;
  EXPECT_EQ(text.measure("abc", plainFont()).width, 0);
  text.draw(picture, 0, 0, "abc", plainFont(), Rgb{255, 255, 255});
  EXPECT_TRUE(text.failed());
  EXPECT_TRUE(picture == before);
  const std::string said = err.str();
  EXPECT_NE(said.find("snaprill-text.so: not found"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "said more than once: " << said;
}

TEST(TextOnDemand, BrokenModuleIsNamedWithTheLoadersReason) {
  testing::TempDir dir;
  std::ofstream(dir.path() + "snaprill-text.so") << "not a library";
  std::ostringstream err;
  TextOnDemand text({dir.path()}, err);
  text.measure("abc", plainFont());
  EXPECT_TRUE(text.failed());
  EXPECT_NE(err.str().find(dir.path() + "snaprill-text.so"), std::string::npos) << err.str();
}

#ifdef SNAPRILL_TEXT_MODULE_DIR
TEST(TextOnDemand, LoadsTheModuleWhenFirstAskedAndDraws) {
  std::ostringstream err;
  TextOnDemand text({"/nonexistent/", SNAPRILL_TEXT_MODULE_DIR}, err);
  const TextSize size = text.measure("Snaprill", plainFont());
  EXPECT_GT(size.width, 20);
  EXPECT_GT(size.height, 8);
  Bitmap picture = testing::pictureOf(120, 40, [](int, int) { return Rgb{255, 255, 255}; });
  text.draw(picture, 4, 4, "Snaprill", plainFont(), std::nullopt);
  int dark = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) dark += picture.pixel(x, y).r < 128;
  EXPECT_GT(dark, 20);
  EXPECT_FALSE(text.failed());
  EXPECT_EQ(err.str(), "");
}

// The module draws on 32 and 24 bpp rows in place; other formats go through a copy
// and keep their own.
TEST(TextOnDemand, DrawsOnEveryFormatAndKeepsIt) {
  std::ostringstream err;
  TextOnDemand text({SNAPRILL_TEXT_MODULE_DIR}, err);
  const Bitmap white = testing::pictureOf(120, 40, [](int, int) { return Rgb{255, 255, 255}; });
  for (const int bpp : {24, 8, 1}) {
    Bitmap picture = white.convertedTo(bpp);
    text.draw(picture, 4, 4, "Snaprill", plainFont(), Rgb{0, 0, 255});
    ASSERT_EQ(picture.bitsPerPixel(), bpp);
    ASSERT_EQ(picture.width(), 120);
    int changed = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        changed += picture.pixel(x, y) != Rgb{255, 255, 255};
    EXPECT_GT(changed, 20) << bpp << " bpp";
    EXPECT_EQ(picture.pixel(119, 39), (Rgb{255, 255, 255})) << bpp << " bpp";
  }
  EXPECT_EQ(err.str(), "");
}
#endif

// The test program has no module beside it: the picture is still saved, without its
// text, and the run says it failed.
TEST(TextOnDemand, BatchWithoutTheModuleSavesThePicturesAndExitsWithOne) {
  testing::TempDir home;
  ::setenv("SNAPRILL_HOME", home.path().c_str(), 1);
  std::ofstream(home.path() + "s.ini") << "[Snaprill]\nImageType=3\n[Images]\nAddText=1\nText=x\n";
  const std::string picture = home.path() + "in.bmp";
  MemorySink bmp;
  writeBmp(testing::samplePicture(30, 20), bmp);
  testing::writeBytes(picture, bmp.bytes);
  std::ostringstream out, err;
  EXPECT_EQ(
      runBatch({"--settings", home.path() + "s.ini", "--no-launch", picture, picture}, out, err),
      1);
  EXPECT_EQ(out.str(), home.path() + "snp1.bmp\n" + home.path() + "snp2.bmp\n");
  EXPECT_NE(err.str().find("saved without it"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace snaprill
