#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

TEST_F(CycleTest, QualityBarFollowsTheOutputTypeAndKeepsBothValues) {
  EXPECT_EQ(cycle.view().qualityCaption, "Quality 90 (recommended 90)");
  options.setValue(Option::qualityBar, 75);
  EXPECT_EQ(options.value(Option::jpegQuality), 75);

  options.setValue(Option::pngLevel, 3);
  options.setValue(Option::outputType, kPng);
  cycle.outputTypeChanged();
  EXPECT_EQ(options.rangeMax(Option::qualityBar), 9);
  EXPECT_EQ(options.value(Option::qualityBar), 3);
  EXPECT_EQ(options.value(Option::pngLevel), 3);  // the clamp to the new range did not overwrite it
  EXPECT_EQ(cycle.view().qualityCaption, "Compression Level: 3");

  options.setValue(Option::outputType, kJpeg);
  cycle.outputTypeChanged();
  EXPECT_EQ(options.value(Option::qualityBar), 75);

  // A stored quality beyond the range becomes 100 once the bar shows it.
  options.setValue(Option::jpegQuality, 250);
  cycle.outputTypeChanged();
  EXPECT_EQ(options.value(Option::jpegQuality), 100);

  options.setValue(Option::outputType, kMetafile);
  cycle.outputTypeChanged();
  EXPECT_FALSE(options.enabled(Option::qualityBar));
}

}  // namespace
}  // namespace snaprill
