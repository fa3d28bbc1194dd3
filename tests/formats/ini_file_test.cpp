#include "formats/ini/ini_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/error_kind.h"
#include "support/full_disk.h"
#include "support/text_files.h"

namespace snaprill {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
using namespace std::string_literals;

TEST(IniFileRead, NamesMatchWithoutCaseAndTheFirstOfDuplicatesWins) {
  const IniFile p(
      "stray=before any section\n"
      "[Snaprill]\n"
      "ImageType=3\n"
      "imagetype=4\n"
      "  Spaced Key  =  spaced value  \n"
      "[GENERAL]\n"
      "AddZeros=1\n"
      "[snaprill]\n"
      "ImageType=5\n"
      "Late=only in the duplicate section\n");
  EXPECT_EQ(p.value("SNAPRILL", "IMAGETYPE"), "3");
  EXPECT_EQ(p.value("Snaprill", "Spaced Key"), "spaced value");
  EXPECT_EQ(p.value("general", "addzeros"), "1");
  EXPECT_FALSE(p.has("Snaprill", "Late"));
  EXPECT_FALSE(p.has("", "stray"));
  EXPECT_EQ(p.string("General", "Missing", "dflt"), "dflt");
}

TEST(IniFileRead, ValuesLoseQuotesAndStopAtNul) {
  const IniFile p(
      "[s]\n"
      "dq=\"quoted value\"\n"
      "sq='single'\n"
      "mixed=\"not stripped'\n"
      "inner=a \"b\" c\n"
      "lone=\"\n"
      "empty=\n"
      "nul=abc\0def\n"
      "noequals\n"
      "; comment=1\n"
      "=nameless\n"s);
  EXPECT_EQ(p.value("s", "dq"), "quoted value");
  EXPECT_EQ(p.value("s", "sq"), "single");
  EXPECT_EQ(p.value("s", "mixed"), "\"not stripped'");
  EXPECT_EQ(p.value("s", "inner"), "a \"b\" c");
  EXPECT_EQ(p.value("s", "lone"), "\"");
  EXPECT_EQ(p.value("s", "empty"), "");
  EXPECT_EQ(p.value("s", "nul"), "abc");
  EXPECT_FALSE(p.has("s", "noequals"));
  EXPECT_FALSE(p.has("s", "; comment"));
}

TEST(IniFileRead, LineEndsByteOrderMarkAndMissingFinalNewline) {
  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    const IniFile p("\xEF\xBB\xBF[a]" + eol + "x=1" + eol + eol + "[b]" + eol + "y=2");
    EXPECT_EQ(p.value("a", "x"), "1");
    EXPECT_EQ(p.value("b", "y"), "2") << "line end of " << eol.size() << " bytes";
  }
}

TEST(IniFileRead, LongValuesAreCutToWholeCharactersAndHugeLinesDoNoHarm) {
  // 2046 ASCII bytes followed by a two-byte character: the cut may not split it.
  const std::string value = std::string(2046, 'a') + "\xC3\xA9" + "tail";
  const IniFile p("[s]\nk=" + value + "\nhuge=" + std::string(10 << 20, 'z') + "\nafter=ok\n");
  EXPECT_EQ(p.value("s", "k"), std::string(2046, 'a'));
  EXPECT_EQ(p.value("s", "huge")->size(), kMaxIniValue);
  EXPECT_EQ(p.value("s", "after"), "ok");
}

TEST(IniFileRead, BinaryJunkIsSkippedAndLaterSectionsStillRead) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) & 0xFF);
  const IniFile p(junk + "\n[Snaprill]\nImageType=2\n");
  EXPECT_EQ(p.value("Snaprill", "ImageType"), "2");
  const IniFile missing = IniFile::fromFile("/nonexistent/snaprill.ini");
  EXPECT_FALSE(missing.has("Snaprill", "ImageType"));
}

TEST(IniFileWrite, ReplacesInPlaceAndLeavesEveryOtherByte) {
  const std::string before =
      "\xEF\xBB\xBF; my notes\r\n[Snaprill]\r\nUnknown = keep  me \r\nimagetype = 7\r\n"
      "Other=x\r\n[Custom]\r\nfoo=\"bar\"\r\n";
  const std::string after = iniWithValue(before, "SNAPRILL", "ImageType", "2");
  EXPECT_EQ(after,
            "\xEF\xBB\xBF; my notes\r\n[Snaprill]\r\nUnknown = keep  me \r\nImageType=2\r\n"
            "Other=x\r\n[Custom]\r\nfoo=\"bar\"\r\n");
}

TEST(IniFileWrite, AppendsToItsSectionOrAppendsTheSection) {
  const std::string text = "[A]\nx=1\n\n[B]\ny=2\n[A]\nz=3";
  // After the last non-blank line of the first [A], before the blank separator.
  EXPECT_EQ(iniWithValue(text, "a", "New", "v"), "[A]\nx=1\nNew=v\n\n[B]\ny=2\n[A]\nz=3");
  // A key only in the duplicate section is not that section's key: it goes to the first.
  EXPECT_EQ(iniWithValue(text, "A", "z", "9"), "[A]\nx=1\nz=9\n\n[B]\ny=2\n[A]\nz=3");
  // A section at the end of a file without a final line break.
  EXPECT_EQ(iniWithValue("[B]\ny=2", "B", "w", "1"), "[B]\ny=2\nw=1\n");
  EXPECT_EQ(iniWithValue("[B]\ry=2", "C", "k", "v"), "[B]\ry=2\r[C]\rk=v\r");
  EXPECT_EQ(iniWithValue("", "C", "k", "v"), "[C]\nk=v\n");
}

TEST(IniFileWrite, ValuesNeverMakeASecondLine) {
  const std::string text = iniWithValue("[s]\n", "s", "k", "one\r\n[evil]\ntwo\rthree");
  EXPECT_EQ(text, "[s]\nk=one[evil]twothree\n");
  EXPECT_FALSE(IniFile(text).has("evil", "two"));
}

TEST(IniFileWrite, EveryValueReadsBackAsWritten) {
  for (const std::string value : {"plain", " leading", "trailing\t", "\"quoted\"", "'single'",
                                  "a\"b", "\"", "", "=x=", "[not a section]"}) {
    EXPECT_EQ(IniFile(iniWithValue("", "s", "k", value)).value("s", "k"), value);
  }
}

TEST(IniFileWrite, CreatesTheFileAndRoundTripsEachKey) {
  TempDir dir;
  const std::string file = dir.path() + "new.ini";
  writeIniValue(file, "Snaprill", "ImageType", "4");
  writeIniValue(file, "General", "OutputDir", "/tmp/a b/");
  writeIniValue(file, "Snaprill", "ImageType", "5");
  EXPECT_EQ(readFile(file), "[Snaprill]\nImageType=5\n[General]\nOutputDir=/tmp/a b/\n");
  EXPECT_EQ(readIniValue(file, "general", "outputdir", ""), "/tmp/a b/");
  // Only the file itself is left in the folder: no temporary files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(IniFileWrite, ManyKeysAtOnceGiveWhatOneByOneGives) {
  TempDir dir;
  const std::string text = "\xEF\xBB\xBF; mine\r\n[General]\r\nOutputDir=/old/\r\n[Other]\r\nx=1";
  const std::vector<IniEntry> entries = {{"Snaprill", "ImageType", "4"},
                                         {"General", "outputdir", " /a b/ "},
                                         {"General", "AddZeros", "1"},
                                         {"Snaprill", "ImageType", "5"},
                                         {"New", "Line", "one\ntwo"}};
  const std::string one = dir.path() + "one.ini", all = dir.path() + "all.ini";
  writeFile(one, text);
  writeFile(all, text);
  for (const IniEntry& e : entries) writeIniValue(one, e.section, e.key, e.value);
  writeIniValues(all, entries);
  EXPECT_EQ(readFile(all), readFile(one));
  EXPECT_EQ(testing::errorKind<FileError>([&] { writeIniValues("/proc/version", entries); }),
            FileErrorKind::SettingsNotWritten);
}

// Placed in one walk, every entry lands where writing them one by one puts it: on
// texts made of the lines that matter (duplicate sections, keys in other letter
// case, blank and empty lines, line ends of all three kinds mixed, a last line
// without its end, a byte-order mark) and entries with names that read back
// otherwise ("a=b", "[x", ";x").
TEST(IniFileWrite, ManyKeysInOneWalkGiveWhatOneByOneGivesOnAnyText) {
  const std::vector<std::string> lines = {
      "[A]", "[a]",    "[B]",  "[C] trailing", "x=1", "X =2",  "y=3", "  ",
      "",    "; note", "junk", "z=4",          "[]",  "=none", "[A",  "k="};
  const std::vector<IniEntry> pool = {{"A", "x", "9"},   {"a", "New", "n"}, {"B", "y", " s "},
                                      {"D", "k", "v"},   {"d", "K", "w"},   {"C", "z", "5"},
                                      {"E", "a=b", "1"}, {"E", "a", "2"},   {"A", "[x", "3"},
                                      {"A", ";x", "4"},  {"A]", "q", "6"},  {"", "e", "7"}};
  const std::string ends[] = {"\r\n", "\n", "\r"};
  std::uint32_t seed = 12345;
  const auto next = [&seed](std::size_t below) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<std::size_t>((seed >> 16) % below);
  };
  const auto expectAsOneByOne = [](const std::string& text, const std::vector<IniEntry>& entries) {
    std::string oneByOne = text;
    for (const IniEntry& e : entries) oneByOne = iniWithValue(oneByOne, e.section, e.key, e.value);
    return iniWithValues(text, entries) == oneByOne;
  };
  // A line added with a CR end before an empty line's LF: the two become one line end.
  EXPECT_TRUE(expectAsOneByOne("[A]\r$=\n\n\n[B]\r", {pool[0], pool[3], pool[1], pool[2]}));
  for (int round = 0; round < 5000; ++round) {
    std::string text = round % 7 == 0 ? "\xEF\xBB\xBF" : "";
    for (std::size_t n = next(10); n > 0; --n) {
      text += lines[next(lines.size())];
      if (next(5) != 0) text += ends[next(3)];
    }
    std::vector<IniEntry> entries;
    for (std::size_t n = 1 + next(5); n > 0; --n) entries.push_back(pool[next(pool.size())]);
    ASSERT_TRUE(expectAsOneByOne(text, entries)) << "round " << round;
  }
}

// A settings file that also holds a user's long notes: a save that changes nothing
// writes nothing, and one that changes a key keeps every note. (Its time, linear in the
// file, is shown by bench/ini_save_bench.)
TEST(IniFileWrite, ASaveIntoABigFileKeepsTheNotesAndWritesOnlyChanges) {
  TempDir dir;
  const std::string file = dir.path() + "big.ini";
  const std::string note = "note=a line of text the user keeps in the settings file\n";
  std::string text = "[Notes]\n";
  while (text.size() < (std::size_t{1} << 20)) text += note;
  std::vector<IniEntry> entries;
  for (int i = 0; i < 120; ++i) {
    entries.push_back({i % 2 ? "Snaprill" : "General", "Key" + std::to_string(i), "1"});
  }
  writeFile(file, text + iniWithValues("", entries));
  const auto inode = [&file] {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st.st_ino;
  };
  const auto before = inode();
  writeIniValues(file, entries);
  EXPECT_EQ(inode(), before) << "rewritten without a change";
  entries.back().value = "2";
  writeIniValues(file, entries);
  EXPECT_EQ(readFile(file), text + iniWithValues("", entries));
}

TEST(IniFileWrite, AFailedWriteRaisesTheMessageAndKeepsTheOldFile) {
  try {
    writeIniValue("/proc/version", "s", "k", "v");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileErrorKind::SettingsNotWritten);
    EXPECT_STREQ(e.what(), "Unable to write to /proc/version");
  }
  EXPECT_EQ(
      testing::errorKind<FileError>([] { writeIniValue("/nonexistent-dir/x.ini", "s", "k", "v"); }),
      FileErrorKind::SettingsNotWritten);

  // A disk that fills up in the middle of the write: the old file stays whole.
  TempDir dir;
  const std::string file = dir.path() + "full.ini";
  const std::string old = "[s]\nk=" + std::string(3000, 'o') + "\n";
  writeFile(file, old);
  EXPECT_TRUE(testing::throwsOnFullDisk(FileErrorKind::SettingsNotWritten, 1024, [&] {
    writeIniValue(file, "s", "k", std::string(3000, 'n'));
  }));
  EXPECT_EQ(readFile(file), old);
}

TEST(IniFileWrite, ASymbolicLinkStaysALink) {
  TempDir dir;
  const std::string target = dir.path() + "real.ini";
  const std::string link = dir.path() + "link.ini";
  writeFile(target, "[s]\nk=1\n");
  std::filesystem::create_symlink(target, link);
  writeIniValue(link, "s", "k", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readFile(target), "[s]\nk=2\n");
}

}  // namespace
}  // namespace snaprill
