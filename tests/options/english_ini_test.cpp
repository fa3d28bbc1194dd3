// The shipped english.ini and the built-in texts are one language: a translator
// copies the file, and a program without it still shows the same texts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "formats/ini/ini_file.h"
#include "options/language.h"
#include "options/language_schema.h"
#include "support/source_files.h"

namespace snaprill {
namespace {

using test::sourceText;

std::string shippedEnglish() {
  return test::sourcePath("data/english.ini");
}

TEST(EnglishIni, EqualsTheBuiltInTextsKeyForKey) {
  std::ifstream in(shippedEnglish(), std::ios::binary);
  ASSERT_TRUE(in) << shippedEnglish();
  std::stringstream bytes;
  bytes << in.rdbuf();
  ASSERT_TRUE(isValidUtf8(bytes.str()));
  const IniFile file(bytes.str());
  for (const LanguageText& row : languageSchema()) {
    EXPECT_EQ(file.value(row.section, row.key), std::optional<std::string>(row.english))
        << row.section << "/" << row.key;
  }

  // And nothing else: every key in the file is a schema key.
  std::istringstream lines(bytes.str());
  std::string line;
  std::string section;
  std::size_t keys = 0;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const std::string key = line.substr(0, line.find('='));
    EXPECT_NE(findLanguageText(section, key), nullptr) << section << "/" << key;
    ++keys;
  }
  EXPECT_EQ(keys, languageSchema().size());

  Texts texts;
  loadLanguage(texts, shippedEnglish(), "");
  for (const LanguageText& row : languageSchema()) {
    EXPECT_EQ(texts.get(row.section, row.key), *Texts::builtIn(row.section, row.key));
  }
}

// The six places of the capture text, as the Image page lists them: the middle
// ones once read "Up center" and "Down center".
TEST(EnglishIni, TheTextPositionsReadAsPlacesOnThePicture) {
  const std::vector<std::pair<const char*, const char*>> positions = {
      {"UpperLeft", "Upper left corner"},   {"UpperRight", "Upper right corner"},
      {"UpCenter", "Top centre"},           {"LowerLeft", "Lower left corner"},
      {"LowerRight", "Lower right corner"}, {"DownCenter", "Bottom centre"},
  };
  for (const auto& [key, english] : positions) {
    EXPECT_EQ(*Texts::builtIn("Text", key), english) << key;
  }
}

// The credit line sends translators to a section of the README (which the package
// installs), and so does the manual.
TEST(EnglishIni, TheTranslatorsAreSentToASectionTheReadmeHas) {
  const std::string credit = *Texts::builtIn("Language", "TranslatedBy");
  const std::size_t open = credit.find('"');
  const std::size_t close = credit.find('"', open + 1);
  ASSERT_NE(close, std::string::npos) << credit;
  const std::string section = credit.substr(open + 1, close - open - 1);
  EXPECT_NE(sourceText("README.md").find("\n### " + section + "\n"), std::string::npos) << section;
  EXPECT_NE(sourceText("data/snaprill-manual.html").find('"' + section + '"'), std::string::npos);
}

}  // namespace
}  // namespace snaprill
