// The codecs' one error: every kind has a text of its own, and a codec's detail is
// the text of the general kinds, so that what users and scripts read stays the
// codec's own sentence.
#include "formats/format_error.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace snaprill {
namespace {

using K = FormatErrorKind;

TEST(FormatError, EveryKindHasATextOfItsOwn) {
  // PngZlibError is the last kind.
  std::set<std::string> texts;
  for (int k = 0; k <= static_cast<int>(K::PngZlibError); ++k) {
    const std::string text = formatErrorText(static_cast<K>(k));
    EXPECT_NE(text, "Invalid picture data") << "kind " << k;
    EXPECT_TRUE(texts.insert(text).second) << "kind " << k << ": " << text;
  }
}

TEST(FormatError, TheDetailIsTheTextOfGeneralKindsAndCompletesZlibs) {
  const FormatError truncated(K::Truncated, "Targa data truncated");
  EXPECT_STREQ(truncated.what(), "Targa data truncated");
  EXPECT_EQ(truncated.kind(), K::Truncated);
  EXPECT_STREQ(FormatError(K::Unsupported).what(), "Unsupported picture format");
  EXPECT_STREQ(FormatError(K::PngZlibError, "invalid distance too far back").what(),
               "Could not decompress the image because it contains invalid compressed data.\r\n"
               " Description: invalid distance too far back");
  // A fixed text is not replaced by a detail.
  EXPECT_STREQ(FormatError(K::ColourTableFull, "ignored").what(), "Color table overflow");
}

TEST(FormatError, ABitmapThatCannotBeMadeIsTooLargeOrDamage) {
  const FormatError large = asFormatError(BitmapError(BitmapErrorKind::TooLarge, 9, 9));
  EXPECT_EQ(large.kind(), K::TooLarge);
  EXPECT_STREQ(large.what(), "Bitmap too large");
  EXPECT_EQ(asFormatError(BitmapError(BitmapErrorKind::InvalidSize)).kind(), K::Damaged);
  EXPECT_EQ(asFormatError(BitmapError(BitmapErrorKind::InvalidFormat)).kind(), K::Damaged);
}

}  // namespace
}  // namespace snaprill
