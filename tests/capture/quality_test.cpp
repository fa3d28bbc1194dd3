#include "support/engine_fixture.h"

namespace snaprill {
namespace {

using testing::EngineTest;

TEST_F(EngineTest, QualityBarFollowsTheOutputTypeAndKeepsBothValues) {
  EXPECT_EQ(engine.Label1, "Quality 90 (recommended 90)");
  controls.setValue(C::Spin, 75);
  EXPECT_EQ(controls.value(C::JpegQuality), 75);

  controls.setValue(C::PngLevel, 3);
  controls.setValue(C::tyyp, kPng);
  engine.imageTypeChanged();
  EXPECT_EQ(controls.rangeMax(C::Spin), 9);
  EXPECT_EQ(controls.value(C::Spin), 3);
  EXPECT_EQ(controls.value(C::PngLevel), 3);  // the clamp to the new range did not overwrite it
  EXPECT_EQ(engine.Label1, "Compression Level: 3");

  controls.setValue(C::tyyp, kJpeg);
  engine.imageTypeChanged();
  EXPECT_EQ(controls.value(C::Spin), 75);

  // A stored quality beyond the range becomes 100 once the bar shows it.
  controls.setValue(C::JpegQuality, 250);
  engine.imageTypeChanged();
  EXPECT_EQ(controls.value(C::JpegQuality), 100);

  controls.setValue(C::tyyp, kMetafile);
  engine.imageTypeChanged();
  EXPECT_FALSE(controls.enabled(C::Spin));
}

}  // namespace
}  // namespace snaprill
