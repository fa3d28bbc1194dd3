// A language switch while the cycle is in any state: every text the cycle made
// comes back in the new language, still saying what it said.
#include <gtest/gtest.h>

#include <fstream>

#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

class CycleLanguage : public testing::CycleTest {
 protected:
  void switchTo(const std::string& ini) {
    std::ofstream(dir + "lang.ini") << ini;
    cycle.languageLoad(dir + "lang.ini");
  }
};

constexpr const char* kEstonian =
    "[Main]\nQuality=Kvaliteet %Q (soovitus %R)\nCompression=Pakkimine: %q\nPaused=Peatatud\n"
    "Pictures=%p pilti\n[Tray]\nPause=&Peata\nResume=&J\xc3\xa4tka\n[Effects]\nCurrent=Praegu: "
    "%S\n";

TEST_F(CycleLanguage, PausedStaysPausedAndSaysSoInTheNewLanguage) {
  cycle.togglePause();
  switchTo(kEstonian);
  EXPECT_FALSE(cycle.running());
  EXPECT_EQ(cycle.view().pauseCaption, "&Jätka");
  EXPECT_EQ(cycle.view().windowCaption, "Snaprill - Peatatud");
  EXPECT_EQ(cycle.tray().record.tip(), "Snaprill - 0/99999 pilti - Peatatud");
  cycle.togglePause();
  EXPECT_TRUE(cycle.running());
  EXPECT_EQ(cycle.view().pauseCaption, "&Peata");
  EXPECT_EQ(cycle.view().statusText, "0/99999 pilti");
  EXPECT_EQ(cycle.view().pixelizeLevelCaption,
            "Praegu: " + std::to_string(options.value(Option::pixelizeLevel)));
}

// A language that gives pause and resume one text must not leave the program
// unable to resume.
TEST_F(CycleLanguage, OneTextForPauseAndResumeStillResumes) {
  switchTo("[Tray]\nPause=&Toggle\nResume=&Toggle\n");
  cycle.togglePause();
  EXPECT_FALSE(cycle.running());
  switchTo("[Tray]\nPause=\nResume=\n");
  EXPECT_FALSE(cycle.running());
  cycle.togglePause();
  EXPECT_TRUE(cycle.running());
  EXPECT_TRUE(cycle.captureTimer().enabled());
}

TEST_F(CycleLanguage, QualityCaptionKeepsItsTemplateWhateverTheType) {
  switchTo(kEstonian);
  EXPECT_EQ(cycle.view().qualityCaption, "Kvaliteet 90 (soovitus 90)");
  options.setValue(Option::outputType, kPng);
  cycle.outputTypeChanged();
  options.setValue(Option::outputType, kGif);
  cycle.outputTypeChanged();
  switchTo("[Main]\nCompression=Level %q\n");
  EXPECT_EQ(cycle.view().qualityCaption, "Level 9");
  options.setValue(Option::outputType, kJpeg);
  cycle.outputTypeChanged();
  options.setValue(Option::outputType, kGif);
  cycle.outputTypeChanged();
  switchTo("");
  EXPECT_EQ(cycle.view().qualityCaption, "Quality 90 (recommended 90)");
}

}  // namespace
}  // namespace snaprill
