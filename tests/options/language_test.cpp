#include "options/language.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "formats/ini/ini_file.h"
#include "options/language_schema.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

class LanguageFile : public ::testing::Test, protected testing::TempDir {
 protected:
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(path() + name, std::ios::binary) << bytes;
    return path() + name;
  }
  void load(const std::string& bytes) { loadLanguage(texts, write("lang.ini", bytes), dataDir); }

  Texts texts;
  std::string dataDir = "/nonexistent/";
};

TEST_F(LanguageFile, MissingOrNonIniFileGivesEveryBuiltInText) {
  EXPECT_EQ(texts.quickHelpLines.size(), 2u);  // before any file, too
  texts.set("Main", "Help", "Abi");
  int told = 0;
  texts.changed.add([&] { ++told; });
  for (const std::string& file :
       {path() + "missing.ini", write("picture.ini", "\x89PNG\r\n\x1a\n\0\0"), path()}) {
    loadLanguage(texts, file, dataDir);
    for (const LanguageText& row : languageSchema()) {
      EXPECT_EQ(texts.get(row.section, row.key), *Texts::builtIn(row.section, row.key))
          << row.section << "/" << row.key;
    }
    EXPECT_EQ(texts.get("Text", "X"), "X");
    EXPECT_EQ(texts.get("OtherImages", "Y"), "Y");
    EXPECT_EQ(texts.get("Filename", "Example"), "Example");
    EXPECT_EQ(texts.quickHelpLines.size(), 2u);
    EXPECT_EQ(
        texts.translatorCredit(),
        "Translated by: The Snaprill developers (see \"Languages and translators\" in README.md)");
    EXPECT_EQ(texts.helpFile, "");
  }
  EXPECT_EQ(told, 3);
}

TEST_F(LanguageFile, EmptyValuesLineBreaksAndLayoutNumbers) {
  load(
      "[Main]\nHelp=\nImageTypeSelectionLeft=wide\n[GIF]\nImageCountLeft= 52 \n"
      "[Descriptions]\nJPEG=Pilt\\nJPEG\n[Hotkeys]\nSimulate=Vajuta\\nnuppu\n"
      "[Settings]\nOverwriteWarning=Kindel?\\nJah\n[Filename]\nAddZeros=Nullid (%EX)\n");
  EXPECT_EQ(texts.get("Main", "Help"), "");  // empty, not the English text
  EXPECT_EQ(texts.get("Main", "HideWindow"), "Hide Window");
  EXPECT_EQ(texts.get("Main", "ImageTypeSelectionLeft"), "64");
  EXPECT_EQ(texts.get("GIF", "ImageCountLeft"), "52");
  EXPECT_EQ(texts.get("Descriptions", "JPEG"), "Pilt\nJPEG");
  EXPECT_EQ(texts.get("Hotkeys", "Simulate"), "Vajuta\\nnuppu");
  EXPECT_EQ(withLineBreaks(texts.get("Settings", "OverwriteWarning")), "Kindel?\nJah");
  // Filled in by whoever shows it, without regard to case.
  EXPECT_EQ(replaceIgnoringCase(texts.get("Filename", "AddZeros"), "%ex", "snp00001.jpg"),
            "Nullid (snp00001.jpg)");
}

TEST_F(LanguageFile, TranslatorCreditLosesHashAndPercent) {
  load(
      "[Info]\nTranslator=Tõlkinud\n[Language]\nTranslatedBy=#Mari% Maasikas "
      "(#mari@example.org%)\n");
  EXPECT_EQ(texts.translatorCredit(), "Tõlkinud: Mari Maasikas (mari@example.org)");
  EXPECT_EQ(texts.get("Language", "TranslatedBy"), "Mari Maasikas (mari@example.org)");
}

TEST_F(LanguageFile, QuickHelpGetsTheBuiltInLinesBelowTwentyCharacters) {
  load("[QuickHelp]\nLineCount=1\nLine1=" + std::string(17, 'a') + "\n");
  ASSERT_EQ(texts.quickHelpLines.size(), 3u);
  EXPECT_EQ(texts.quickHelpLines[0], std::string(17, 'a'));
  EXPECT_EQ(texts.quickHelpLines[1],
            "To take a screenshot, press the Print Screen button on your keyboard and Snaprill "
            "will automatically save it.");
  EXPECT_EQ(texts.quickHelpLines[2].rfind("If you want a screenshot of only the active window", 0),
            0u);

  load("[QuickHelp]\nLineCount=1\nLine1=" + std::string(18, 'a') + "\n");
  EXPECT_EQ(texts.quickHelpLines, std::vector<std::string>{std::string(18, 'a')});
  // Characters count, not bytes: 17 accented letters are still too few.
  std::string accented;
  for (int i = 0; i < 17; ++i) accented += "ä";
  load("[QuickHelp]\nLineCount=1\nLine1=" + accented + "\n");
  EXPECT_EQ(texts.quickHelpLines.size(), 3u);

  // Missing lines are empty lines; ten of them make 20 characters of line breaks.
  load("[QuickHelp]\nLineCount=12\nLine2=Teine\n");
  ASSERT_EQ(texts.quickHelpLines.size(), 12u);
  EXPECT_EQ(texts.quickHelpLines[0], "");
  EXPECT_EQ(texts.quickHelpLines[1], "Teine");
  for (const char* count : {"0", "-3", "many"}) {
    load(std::string("[QuickHelp]\nLineCount=") + count + "\nLine1=Never shown\n");
    EXPECT_EQ(texts.quickHelpLines.size(), 2u) << count;
  }
  load("[QuickHelp]\nLineCount=2147483647\nLine1=" + std::string(30, 'b') + "\n");
  EXPECT_EQ(texts.quickHelpLines.size(), static_cast<std::size_t>(kMaxQuickHelpLines));
}

TEST_F(LanguageFile, WindowsAndUtf8AccentsShowTheSame) {
  load("[Main]\nHelp=Caf\xe9 \x80\n");
  const std::string fromWindows = texts.get("Main", "Help");
  load("[Main]\nHelp=Caf\xc3\xa9 \xe2\x82\xac\n");
  EXPECT_EQ(texts.get("Main", "Help"), fromWindows);
  EXPECT_EQ(fromWindows, "Café €");
  load("\xef\xbb\xbf[Main]\nHelp=Caf\xc3\xa9\n");
  EXPECT_EQ(texts.get("Main", "Help"), "Café");

  // A long Windows value is cut, but never inside a character.
  load("[Main]\nHelp=" + std::string(3000, '\xe9') + "\n");
  const std::string& cut = texts.get("Main", "Help");
  EXPECT_LE(cut.size(), kMaxIniValue);
  EXPECT_TRUE(isValidUtf8(cut));
  EXPECT_EQ(cut.size() % 2, 0u);

  EXPECT_FALSE(isValidUtf8("\xc3"));
  EXPECT_FALSE(isValidUtf8("\xc0\xaf"));         // overlong
  EXPECT_FALSE(isValidUtf8("\xed\xa0\x80"));     // surrogate
  EXPECT_TRUE(isValidUtf8("\xf0\x9f\x98\x80"));  // beyond 16 bits
}

TEST_F(LanguageFile, HelpFileFromTheLanguageFolderThenTheShippedFiles) {
  load("");
  EXPECT_EQ(texts.helpFile, "");
  write("snaprill-manual.html", "<html></html>");
  load("");
  EXPECT_EQ(texts.helpFile, path() + "snaprill-manual.html");

  testing::TempDir shipped;
  dataDir = shipped.path();
  std::ofstream(shipped.path() + "abi.html") << "<html></html>";
  load("[Help]\nHelpFile=abi.html\n");
  EXPECT_EQ(texts.helpFile, shipped.path() + "abi.html");
  load("[Help]\nHelpFile=" + shipped.path() + "abi.html\n");
  EXPECT_EQ(texts.helpFile, shipped.path() + "abi.html");
  load("[Help]\nHelpFile=snaprill.hlp\n");
  EXPECT_EQ(texts.helpFile, "");
}

}  // namespace
}  // namespace snaprill
