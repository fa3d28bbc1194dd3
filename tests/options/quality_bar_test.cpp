#include "options/quality_bar.h"

#include <gtest/gtest.h>

#include <string>

#include "formats/modern_types.h"

namespace snaprill {
namespace {

TEST(QualityBar, FollowsTheOutputTypeAndKeepsBothValues) {
  Options options;
  Texts texts;
  QualityBar qualityBar(options, texts);
  EXPECT_EQ(qualityBar.caption(), "Quality 90 (recommended 90)");
  options.setValue(Option::qualityBar, 75);
  EXPECT_EQ(options.value(Option::jpegQuality), 75);

  options.setValue(Option::pngLevel, 3);
  options.setValue(Option::outputType, kPng);
  EXPECT_EQ(options.rangeMax(Option::qualityBar), 9);
  EXPECT_EQ(options.value(Option::qualityBar), 3);
  EXPECT_EQ(options.value(Option::pngLevel), 3);  // the clamp to the new range did not overwrite it
  EXPECT_EQ(qualityBar.caption(), "Compression Level: 3");

  options.setValue(Option::outputType, kJpeg);
  EXPECT_EQ(options.value(Option::qualityBar), 75);

  // A stored quality beyond the range becomes 100 once the bar shows it.
  options.setValue(Option::jpegQuality, 250);
  EXPECT_EQ(options.value(Option::jpegQuality), 100);

  options.setValue(Option::outputType, kMetafile);
  EXPECT_FALSE(options.enabled(Option::qualityBar));
}

// Greyed for a type without a quality, the caption once showed the last type's
// ("Quality 70 (lossless at the right end)" after WebP, "Quality 90 (recommended
// 90)" after a restart with GIF): it names the setting alone, whichever type came
// before and whatever a settings file brings after the type (its order: the type,
// then the values); the greyed bar still follows the stored value.
TEST(QualityBar, GreyedItsCaptionNamesNoNumberOfAnotherType) {
  const int greyed[] = {kGif, kBitmap, kMetafile, kTiff, kAvi, kTarga, kPcx};
  const int before[] = {kJpeg, kPng, kWebp};
  for (const int type : greyed) {
    for (const int last : before) {
      SCOPED_TRACE(std::to_string(type) + " after " + std::to_string(last));
      Options options;
      Texts texts;
      QualityBar qualityBar(options, texts);
      int told = 0;
      qualityBar.changed.add([&told] { ++told; });
      options.setValue(Option::outputType, last);
      options.setValue(Option::qualityBar, 70);
      options.setValue(Option::outputType, type);
      EXPECT_FALSE(options.enabled(Option::qualityBar));
      EXPECT_EQ(qualityBar.caption(), "Quality");
      options.setValue(Option::jpegQuality, 40);
      options.setValue(Option::pngLevel, 2);
      options.setValue(Option::webpQuality, 50);
      EXPECT_EQ(qualityBar.caption(), "Quality");
      EXPECT_GE(told, 2);
      if (last == kJpeg) {
        EXPECT_EQ(options.value(Option::qualityBar), 40);
      }
      // In another language, its own word for it.
      texts.set("Main", "Quality", "Qualit\xc3\xa4t %q (empfohlen %r)");
      texts.changed.callAll();
      EXPECT_EQ(qualityBar.caption(), "Qualit\xc3\xa4t");
      texts.set("Main", "Quality", "%q: quality (%r)");
      texts.changed.callAll();
      EXPECT_EQ(qualityBar.caption(), "quality");
    }
  }
}

TEST(QualityBar, TheNewerTypesKeepTheirOwnQualityWithLosslessAtTheRightEnd) {
  if (!kModernTypesBuilt) GTEST_SKIP() << "built without WebP, AVIF and JPEG XL";
  struct Case {
    int type;
    Option stored;
    int max;
    int defaultValue;
    const char* defaultCaption;
  };
  const Case cases[] = {
      {kWebp, Option::webpQuality, 101, 101, "Lossless (recommended)"},
      {kAvif, Option::avifQuality, 100, 80, "Quality 80 (recommended 80)"},
      {kJpegXl, Option::jxlQuality, 101, 101, "Lossless (recommended)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    Options options;
    Texts texts;
    QualityBar qualityBar(options, texts);
    options.setValue(Option::qualityBar, 70);  // JPEG's, which the others must not take
    options.setValue(Option::outputType, c.type);
    EXPECT_TRUE(options.enabled(Option::qualityBar));
    EXPECT_EQ(options.rangeMin(Option::qualityBar), 1);
    EXPECT_EQ(options.rangeMax(Option::qualityBar), c.max);
    EXPECT_EQ(options.value(Option::qualityBar), c.defaultValue);
    EXPECT_EQ(qualityBar.caption(), c.defaultCaption);
    EXPECT_EQ(qualityBar.largeStep(), 5);

    options.setValue(Option::qualityBar, 42);
    EXPECT_EQ(options.value(c.stored), 42);
    EXPECT_EQ(qualityBar.caption(), c.max == 101 ? "Quality 42 (lossless at the right end)"
                                                 : "Quality 42 (recommended 80)");
    options.setValue(Option::outputType, kJpeg);
    EXPECT_EQ(options.value(Option::qualityBar), 70);
    options.setValue(Option::outputType, c.type);
    EXPECT_EQ(options.value(Option::qualityBar), 42);
  }
}

}  // namespace
}  // namespace snaprill
