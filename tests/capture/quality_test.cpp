#include "support/engine_fixture.h"

namespace snaprill {
namespace {

using testing::EngineTest;

TEST_F(EngineTest, QualityBarFollowsTheOutputTypeAndKeepsBothValues) {
  EXPECT_EQ(engine.Label1, "Quality 90 (recommended 90)");
  options.setValue(Option::qualityBar, 75);
  EXPECT_EQ(options.value(Option::jpegQuality), 75);

  options.setValue(Option::pngLevel, 3);
  options.setValue(Option::outputType, kPng);
  engine.imageTypeChanged();
  EXPECT_EQ(options.rangeMax(Option::qualityBar), 9);
  EXPECT_EQ(options.value(Option::qualityBar), 3);
  EXPECT_EQ(options.value(Option::pngLevel), 3);  // the clamp to the new range did not overwrite it
  EXPECT_EQ(engine.Label1, "Compression Level: 3");

  options.setValue(Option::outputType, kJpeg);
  engine.imageTypeChanged();
  EXPECT_EQ(options.value(Option::qualityBar), 75);

  // A stored quality beyond the range becomes 100 once the bar shows it.
  options.setValue(Option::jpegQuality, 250);
  engine.imageTypeChanged();
  EXPECT_EQ(options.value(Option::jpegQuality), 100);

  options.setValue(Option::outputType, kMetafile);
  engine.imageTypeChanged();
  EXPECT_FALSE(options.enabled(Option::qualityBar));
}

}  // namespace
}  // namespace snaprill
