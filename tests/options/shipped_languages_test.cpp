// Every language file we ship is complete: each key of english.ini is there (a key
// added later is named, so the translator knows what to add), with the same
// placeholders and menu keys, and what the program does with the texts still fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "base/text.h"
#include "formats/ini/ini_file.h"
#include "options/desktop_language.h"
#include "options/language.h"
#include "options/language_schema.h"
#include "options/setting_text.h"
#include "platform/services.h"
#include "support/source_files.h"

namespace snaprill {
namespace {

std::string languagePath(const char* file) {
  return test::sourcePath(std::string("data/") + file);
}

// The placeholders a text holds ("%q", "%ex", "%+"), lower-cased and sorted.
std::vector<std::string> placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (std::size_t i = text.find('%'); i != std::string::npos; i = text.find('%', i + 1)) {
    std::size_t end = i + 1;
    if (end < text.size() && text[end] == '+') {
      ++end;
    } else {
      while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
    }
    std::string name = text.substr(i, end - i);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

// A single "&" that marks a menu key ("&&" is a plain "&").
bool hasMnemonic(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '&') {
      if (text[i + 1] != '&') return true;
      ++i;
    }
  }
  return false;
}

class ShippedLanguageFile : public ::testing::TestWithParam<const char*> {};

TEST_P(ShippedLanguageFile, HasEveryKeyWithTheEnglishPlaceholdersAndMenuKeys) {
  const std::string bytes = test::sourceText(std::string("data/") + GetParam());
  ASSERT_FALSE(bytes.empty()) << languagePath(GetParam()) << " is missing or empty";
  ASSERT_TRUE(isValidUtf8(bytes)) << GetParam() << " must be UTF-8";
  const IniFile file(bytes);
  for (const LanguageText& row : languageSchema()) {
    const std::optional<std::string> text = file.value(row.section, row.key);
    if (!text) {
      ADD_FAILURE() << GetParam() << " lacks [" << row.section << "] " << row.key
                    << ": copy it from english.ini and translate \"" << row.english << "\"";
      continue;
    }
    const std::string where = std::string(GetParam()) + " [" + row.section + "] " + row.key;
    switch (row.use) {
      case TextUse::Layout:
      case TextUse::HelpFile:
        EXPECT_EQ(*text, row.english) << where << ": not a text, keep the English value";
        break;
      case TextUse::Credit:
        EXPECT_EQ(*text, "Snaprill translators") << where;
        break;
      case TextUse::LineCount:
        break;
      default:
        EXPECT_EQ(placeholders(*text), placeholders(row.english)) << where << ": " << *text;
        EXPECT_EQ(hasMnemonic(*text), hasMnemonic(row.english)) << where << ": " << *text;
    }
  }
}

TEST_P(ShippedLanguageFile, QuickHelpIsItsOwnAndTheTrayTipFits) {
  Texts texts;
  loadLanguage(texts, languagePath(GetParam()), "");
  // Lines of its own, without the English lines that a too short quick help gets.
  const IniFile file = IniFile::fromFile(languagePath(GetParam()));
  const std::optional<int> count =
      parseSettingsInt(file.value(kQuickHelpSection, "LineCount").value_or(""));
  ASSERT_TRUE(count && *count > 0) << GetParam() << " has no quick help";
  ASSERT_EQ(texts.quickHelpLines.size(), static_cast<std::size_t>(*count)) << GetParam();
  for (int i = 1; i <= *count; ++i) {
    const std::string key = kQuickHelpLinePrefix + std::to_string(i);
    EXPECT_TRUE(file.has(kQuickHelpSection, key)) << GetParam() << " lacks " << key;
    EXPECT_LE(file.string(kQuickHelpSection, key, "").size(), kMaxIniValue) << key;
  }
  EXPECT_FALSE(file.has(kQuickHelpSection, kQuickHelpLinePrefix + std::to_string(*count + 1)))
      << GetParam() << ": LineCount leaves lines out";
  for (const std::string& english : Texts::builtInQuickHelp()) {
    if (english.empty()) continue;
    EXPECT_EQ(std::count(texts.quickHelpLines.begin(), texts.quickHelpLines.end(), english), 0)
        << GetParam();
  }

  // The tray's tip holds 63 bytes: the longest count, paused, shows whole.
  const std::string tip = "Snaprill - " +
                          replaceIgnoringCase(texts.get("Main", "Pictures"), "%p", "99999/99999") +
                          " - " + texts.get("Main", "Paused");
  EXPECT_LT(tip.size(), TrayIconRecord::kTipBytes) << GetParam() << ": " << tip;
}

std::vector<const char*> translations() {
  std::vector<const char*> files;
  for (const ShippedLanguage& shipped : shippedLanguages()) {
    if (shipped.locale[0] != '\0') files.push_back(shipped.file);
  }
  return files;
}

INSTANTIATE_TEST_SUITE_P(Translations, ShippedLanguageFile, ::testing::ValuesIn(translations()),
                         [](const auto& param) {
                           std::string name = param.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(ShippedLanguages, AreBuiltAndInstalledBesideEnglish) {
  const std::string cmake = test::sourceText("CMakeLists.txt");
  const std::size_t list = cmake.find("set(SNAPRILL_LANGUAGE_FILES");
  ASSERT_NE(list, std::string::npos);
  const std::string listed = cmake.substr(list, cmake.find(')', list) - list);
  for (const ShippedLanguage& shipped : shippedLanguages()) {
    EXPECT_NE(listed.find(std::string(" ") + shipped.file), std::string::npos) << shipped.file;
  }
}

}  // namespace
}  // namespace snaprill
