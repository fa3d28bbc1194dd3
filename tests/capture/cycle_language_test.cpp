// A language switch while the cycle is in any state: every text the cycle made
// comes back in the new language, still saying what it said.
#include <gtest/gtest.h>

#include <fstream>

#include "options/language.h"
#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

class CycleLanguage : public testing::CycleTest {
 protected:
  void switchTo(const std::string& ini) {
    std::ofstream(dir + "lang.ini") << ini;
    loadLanguage(texts, dir + "lang.ini", platform.dirs.dataDir);
  }
};

constexpr const char* kEstonian =
    "[Main]\nQuality=Kvaliteet %Q (soovitus %R)\nCompression=Pakkimine: %q\nPaused=Peatatud\n"
    "Pictures=%p pilti\n[Tray]\nPause=&Peata\nResume=&J\xc3\xa4tka\n[Effects]\nCurrent=Praegu: "
    "%S\n";

TEST_F(CycleLanguage, PausedStaysPausedAndSaysSoInTheNewLanguage) {
  cycle.togglePause();
  switchTo(kEstonian);
  EXPECT_FALSE(!cycle.paused());
  EXPECT_EQ(status.pauseCaption(), "&Jätka");
  EXPECT_EQ(status.windowCaption(), "Snaprill - Peatatud");
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 0/99999 pilti - Peatatud");
  cycle.togglePause();
  EXPECT_TRUE(!cycle.paused());
  EXPECT_EQ(status.pauseCaption(), "&Peata");
  EXPECT_EQ(status.statusText(), "0/99999 pilti");
}

// A language that gives pause and resume one text must not leave the program
// unable to resume.
TEST_F(CycleLanguage, OneTextForPauseAndResumeStillResumes) {
  switchTo("[Tray]\nPause=&Toggle\nResume=&Toggle\n");
  cycle.togglePause();
  EXPECT_FALSE(!cycle.paused());
  switchTo("[Tray]\nPause=\nResume=\n");
  EXPECT_FALSE(!cycle.paused());
  cycle.togglePause();
  EXPECT_TRUE(!cycle.paused());
  EXPECT_TRUE(cycle.takingPictures());
}

TEST_F(CycleLanguage, QualityCaptionKeepsItsTemplateWhateverTheType) {
  switchTo(kEstonian);
  EXPECT_EQ(qualityBar.caption(), "Kvaliteet 90 (soovitus 90)");
  options.setValue(Option::outputType, kPng);
  switchTo("[Main]\nCompression=Level %q\n");
  EXPECT_EQ(qualityBar.caption(), "Level 9");
  // Greyed, the setting's name alone, in the language of the moment.
  options.setValue(Option::outputType, kGif);
  EXPECT_EQ(qualityBar.caption(), "Quality");
  switchTo(kEstonian);
  EXPECT_EQ(qualityBar.caption(), "Kvaliteet");
  switchTo("");
  options.setValue(Option::outputType, kJpeg);
  EXPECT_EQ(qualityBar.caption(), "Quality 90 (recommended 90)");
}

}  // namespace
}  // namespace snaprill
