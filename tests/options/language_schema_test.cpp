#include "options/language_schema.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/text.h"
#include "options/texts.h"

namespace snaprill {
namespace {

TEST(LanguageSchema, EveryKeyOnceAndEveryNumberAnInteger) {
  std::set<std::string> seen;
  for (const LanguageText& t : languageSchema()) {
    const std::string name = lowerAscii(std::string(t.section) + "/" + t.key);
    EXPECT_TRUE(seen.insert(name).second) << "twice: " << name;
    if (t.use == TextUse::Layout || t.use == TextUse::LineCount) {
      EXPECT_NO_THROW(static_cast<void>(std::stoi(t.english))) << name;
    }
    EXPECT_EQ(findLanguageText(t.section, t.key), &t) << name;
  }
  EXPECT_EQ(findLanguageText("main", "QUALITY"), &languageSchema()[0]);
  EXPECT_EQ(findLanguageText("Main", "NoSuchKey"), nullptr);
}

TEST(LanguageSchema, BuiltInTextsSpanLinesOnlyWhereTheyShould) {
  const Texts texts;
  EXPECT_EQ(texts.get("Descriptions", "AVI"),
            "AVI Video\nAudio Video Interleave\n\nVideo file format");
  EXPECT_NE(texts.get("Information", "InfoText").find("files.\n\nNote:"), std::string::npos);
  // Turned into line breaks only when the warning is shown.
  EXPECT_NE(texts.get("Settings", "OverwriteWarning").find("\\n"), std::string::npos);
  EXPECT_EQ(texts.get("Text", "X"), "X");
  EXPECT_EQ(texts.get("Filename", "Example"), "Example");
  EXPECT_EQ(texts.get("Main", "ImageTypeSelectionLeft"), "64");
  EXPECT_EQ(withLineBreaks("a\\nb\\Nc"), "a\nb\\Nc");
}

}  // namespace
}  // namespace snaprill
