#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/ini/ini_file.h"
#include "platform/autostart.h"
#include "settings/overlay_file.h"
#include "support/settings_harness.h"

namespace snaprill {
namespace {

using test::Harness;
using test::readFile;
using test::TempDir;
using test::writeFile;

class SettingsFile : public ::testing::Test {
 protected:
  // Loads text as a settings file into h.
  void load(Harness& target, const std::string& text, bool full = true) {
    writeFile(file, text);
    LoadSettings(target.engine, file, full);
  }

  TempDir dir;
  std::string file = dir.path() + "test.snp";
  Harness h{dir.path()};
};

// Gives every stored control a value away from its default.
void setEverything(Harness& h, const std::string& outputDir) {
  Controls& c = h.controls;
  c.setValue(C::tyyp, kPng);
  h.engine.imageTypeChanged();
  c.setValue(C::JpegQuality, 77);
  c.setValue(C::Spin, 4);  // the PNG level through the slider
  c.setValue(C::FormTop, -20);
  c.setValue(C::FormLeft, 300);
  c.setValue(C::ClientHeight, 99);
  for (C box :
       {C::savelastpic, C::noclipstart,   C::noclipresume, C::ikoon_alati,   C::run_autom,
        C::addzeros,    C::simulate,      C::h2,           C::addtext,       C::lisakursor,
        C::addpic,      C::saveanimation, C::geiskaala,    C::blackandwhite, C::l6ikapilti,
        C::resizeautom, C::invertcolors,  C::emboss,       C::grayscale,     C::pixelize,
        C::blur,        C::l6petap2rast,  C::p2rast,       C::openimages,    C::hyperlinks}) {
    c.setChecked(box, true);
  }
  c.setChecked(C::optimize, false);
  h.engine.ImageCounter = 4321;
  c.setText(C::OutputDir, outputDir);
  c.setText(C::Edit3, "shot ü ");
  c.setValue(C::hotkey2, 0x6000 | 'P');
  c.setValue(C::hotkey1, 0x8000 | 0x7B);
  c.setValue(C::hk3, 0x2000 | 'Z');
  c.setText(C::opt2, "/home/user/my options.snp");
  c.setText(C::Edit2, "%y-%m-%d %h %+ : %+ %i");
  c.setValue(C::tekstiasukoht, 4);
  c.setValue(C::taustav2rv, -2147483633);
  c.setValue(C::FontColour, 0xFF0000);
  c.setText(C::FontName, "DejaVu Sans");
  c.setValue(C::FontSize, 13);
  c.setValue(C::FontStyle, kItalic | kStrikeOut);
  c.setValue(C::X, -3);
  c.setValue(C::Y, 12);
  c.setValue(C::addpic_x, -10);
  c.setValue(C::addpic_y, 20);
  c.setValue(C::SpinEdit1, 17);
  c.setValue(C::SpinEdit2, 3600000);
  c.setValue(C::bitid, 2);
  c.setValue(C::bitmappix, 6);
  c.setValue(C::aknavasak, 5);
  c.setValue(C::aknaylevalt, 6);
  c.setValue(C::aknalaius, 700);
  c.setValue(C::aknak6rgus, 800);
  c.setValue(C::pildilaius, 320);
  c.setValue(C::pildik6rgus, 240);
  c.setValue(C::pixlev, 33);
  c.setValue(C::blurlev, 100);
  c.setValue(C::taimeriaeg, 35791);
  c.setValue(C::ajakast, 2);
  c.setValue(C::l6petapildid, 99999);
  c.setValue(C::p2rast_aeg, -5);
  c.setText(C::proge, "/usr/bin/gimp");
  c.setText(C::parameetrid, "--new \"%filename\"");
  c.setValue(C::align, 2);
  c.setValue(C::tablecol, 7);
  c.setValue(C::imwidth, 200000);
  c.setValue(C::imheight, 0);
  Bitmap overlay(3, 2, 24);
  overlay.setPixel(2, 1, Rgb{200, 100, 50});
  h.engine.OverlayPicture = overlay;
}

TEST_F(SettingsFile, SaveLoadSaveGivesTheSameFileAndOverlay) {
  setEverything(h, dir.path());
  SaveSettings(h.engine, file);
  const std::string first = readFile(file);

  Harness fresh(dir.path());
  LoadSettings(fresh.engine, file, true);
  EXPECT_EQ(fresh.controls.value(C::PngLevel), 4);
  EXPECT_EQ(fresh.controls.value(C::Spin), 4);
  EXPECT_EQ(fresh.engine.ImageCounter, 4321);
  EXPECT_EQ(fresh.controls.value(C::ClientHeight), 99);
  EXPECT_TRUE(fresh.engine.windowPositionFromSettings);
  EXPECT_EQ(fresh.engine.OverlayPicture.width(), 3);
  EXPECT_EQ(fresh.engine.OverlayPicture.pixel(2, 1), (Rgb{200, 100, 50}));
  EXPECT_EQ(fresh.engine.blurlev2, "Current: 100");

  const std::string second = dir.path() + "again.snp";
  SaveSettings(fresh.engine, second);
  EXPECT_EQ(readFile(second), first);
}

TEST_F(SettingsFile, SavedFileHoldsNoOverwriteNoLanguageAndKeepsUnknownKeys) {
  h.controls.setChecked(C::overwrite, true);
  writeFile(file, "[Language]\nLangFile=/x/estonian.ini\n[Mine]\nkeep = \"me\"\n");
  SaveSettings(h.engine, file);
  const std::string text = readFile(file);
  EXPECT_EQ(text.find("Overwrite"), std::string::npos);
  EXPECT_EQ(text.rfind("[Language]\nLangFile=/x/estonian.ini\n[Mine]\nkeep = \"me\"\n", 0), 0u);
  EXPECT_EQ(IniFile(text).value("Snaprill", "ImageType"), "0");
}

TEST_F(SettingsFile, OutOfRangeAndUnreadableValuesTakeDefaultsOrClamp) {
  load(h,
       "[Snaprill]\nImageType=9\nJPEGQuality=250\n"
       "[General]\nPrntScrnHotKey=0x7A\nAltPrntScrnHotKey=0x1007B\n"
       "[Images]\nTextPos=6\nTextX=12abc\n"
       "[GIF]\nImageCount=1\n"
       "[Automation]\nTimeUnits=7\nTableCols=80\nImageWidth=-9\n");
  const Controls& c = h.controls;
  EXPECT_EQ(c.value(C::tyyp), kJpeg);
  EXPECT_EQ(c.value(C::Spin), 100);  // the slider shows the quality, clamped
  EXPECT_EQ(c.value(C::JpegQuality), 100);
  EXPECT_EQ(c.value(C::hotkey2), 122);
  EXPECT_EQ(c.value(C::hotkey1), 0x7B);  // a shortcut keeps 16 bits
  EXPECT_EQ(c.value(C::tekstiasukoht), 0);
  EXPECT_EQ(c.value(C::X), 7);
  EXPECT_EQ(c.value(C::SpinEdit1), 2);
  EXPECT_EQ(c.value(C::ajakast), 1);
  EXPECT_EQ(c.value(C::tablecol), 50);
  EXPECT_EQ(c.value(C::imwidth), -1);

  load(h, "[Snaprill]\nImageType=-1\n");
  EXPECT_EQ(c.value(C::tyyp), kJpeg);
}

TEST_F(SettingsFile, LastPicIsReadOnlyWhenRememberedAndKeptInRange) {
  h.engine.ImageCounter = 42;
  load(h, "[Snaprill]\nRememberLastPic=0\nLastPic=500\n");
  EXPECT_EQ(h.engine.ImageCounter, 42);
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=500\n");
  EXPECT_EQ(h.engine.ImageCounter, 500);
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=123456\n");
  EXPECT_EQ(h.engine.ImageCounter, 0);
  h.engine.ImageCounter = 7;
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=900\n", false);
  EXPECT_EQ(h.engine.ImageCounter, 7);
}

TEST_F(SettingsFile, FontStyleLettersAndThePrefixKey) {
  load(h, "[Images]\nFontStyle=UB\n[General]\nFilenamePrefix=\n");
  EXPECT_EQ(h.controls.value(C::FontStyle), kBold | kUnderline);
  EXPECT_EQ(h.controls.text(C::Edit3), "");
  load(h, "[Images]\nFontStyle=\n[General]\nFilenamePrefix=a/b:c?\n");
  EXPECT_EQ(h.controls.value(C::FontStyle), 0);
  EXPECT_EQ(h.controls.text(C::Edit3), "abc");
  EXPECT_EQ(h.engine.snp1_jpg, "abc1.jpg");
  load(h, "[Images]\n");
  EXPECT_EQ(h.controls.value(C::FontStyle), kBold);
  EXPECT_EQ(h.controls.text(C::Edit3), "snp");
}

TEST_F(SettingsFile, OutputDirectoryGetsItsSeparatorOnlyAtStartUp) {
  const std::string sub = dir.path() + "out";
  std::filesystem::create_directory(sub);
  load(h, "[General]\nOutputDir=" + sub + "\n", false);
  EXPECT_EQ(h.controls.text(C::OutputDir), sub);
  LoadStartupSettings(h.engine, file);
  EXPECT_EQ(h.controls.text(C::OutputDir), sub + "/");
  load(h, "[General]\nOutputDir=/no/such/folder/\n");
  EXPECT_EQ(h.controls.text(C::OutputDir), h.platform.dirs.defaultOutput);
}

TEST_F(SettingsFile, FirstStartWithoutAFileGivesTheDefaults) {
  std::vector<std::string> languages;
  h.engine.loadLanguage = [&](const std::string& f) { languages.push_back(f); };
  h.controls.setValue(C::p2rast_aeg, 30000);  // the form's value
  LoadStartupSettings(h.engine, h.engine.mainSettingsFile());
  const Controls& c = h.controls;
  EXPECT_FALSE(h.engine.windowPositionFromSettings);
  EXPECT_EQ(c.value(C::tyyp), kJpeg);
  EXPECT_EQ(c.value(C::Spin), 90);
  EXPECT_EQ(c.value(C::PngLevel), 9);
  EXPECT_EQ(c.text(C::Edit3), "snp");
  EXPECT_EQ(c.value(C::hotkey2), 123);
  EXPECT_EQ(c.value(C::hotkey1), 122);
  EXPECT_EQ(c.text(C::OutputDir), dir.path());
  EXPECT_EQ(c.value(C::p2rast_aeg), 1);
  EXPECT_EQ(c.value(C::FontColour), 0x008000);
  EXPECT_EQ(c.text(C::FontName), "MS Sans Serif");
  EXPECT_EQ(c.value(C::FontSize), 8);
  EXPECT_EQ(c.value(C::FontStyle), kBold);
  EXPECT_EQ(languages, std::vector<std::string>{dir.path() + "english.ini"});
  EXPECT_TRUE(h.engine.running());
  EXPECT_TRUE(h.tray.calls.empty());
}

TEST_F(SettingsFile, LoadingAMissingFileAppliesEveryDefaultAndLeavesTheWindow) {
  Controls& c = h.controls;
  for (C box : {C::savelastpic, C::noclipstart, C::run_autom, C::addtext}) c.setChecked(box, true);
  c.setValue(C::FormTop, 55);
  c.setValue(C::p2rast_aeg, 30000);
  LoadSettings(h.engine, dir.path() + "missing.snp", true);
  for (C box : {C::savelastpic, C::noclipstart, C::run_autom, C::addtext}) {
    EXPECT_FALSE(c.checked(box)) << specOf(box).name;
  }
  EXPECT_EQ(c.value(C::FormTop), 55);
  EXPECT_FALSE(h.engine.windowPositionFromSettings);
  EXPECT_EQ(c.value(C::p2rast_aeg), 1);
}

TEST_F(SettingsFile, APartialLoadKeepsStartUpKeysAndTheFourCurrentValues) {
  Controls& c = h.controls;
  c.setChecked(C::noclipstart, true);
  c.setValue(C::taustav2rv, 0x123456);
  c.setValue(C::FontColour, 0x654321);
  c.setText(C::proge, "gimp");
  c.setText(C::parameetrid, "%filename -x");
  c.setValue(C::SpinEdit2, 99);
  c.setValue(C::FormLeft, 10);
  load(h, "[Snaprill]\nNoClearClpStart=0\nLeft=400\n", false);
  EXPECT_TRUE(c.checked(C::noclipstart));
  EXPECT_EQ(c.value(C::FormLeft), 10);
  EXPECT_EQ(c.value(C::taustav2rv), 0x123456);
  EXPECT_EQ(c.value(C::FontColour), 0x654321);
  EXPECT_EQ(c.text(C::proge), "gimp");
  EXPECT_EQ(c.text(C::parameetrid), "%filename -x");
  EXPECT_EQ(c.value(C::SpinEdit2), 10);  // an ordinary key goes back to its default
}

TEST_F(SettingsFile, StartUpKeysPauseCollapseAndConnectTheTrayBox) {
  load(h, "[Snaprill]\nStartPaused=1\nTrayAlways=1\nAdvanced=0\n");
  EXPECT_FALSE(h.engine.running());
  EXPECT_EQ(h.controls.value(C::ClientHeight), 99);
  const std::size_t trayCalls = h.tray.calls.size();  // the pause's own update
  // The box was set before its reaction was connected; a later load that changes it
  // adds or removes the icon.
  load(h, "[Snaprill]\nTrayAlways=0\n");
  ASSERT_EQ(h.tray.calls.size(), trayCalls + 1);
  EXPECT_EQ(h.tray.calls.back().op, TrayOperation::Delete);
}

TEST_F(SettingsFile, CaptureHotkeysThatCollideSwitchBothOff) {
  load(h,
       "[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\nPrntScrnHotKey=120\nAltPrntScrnHotKey=120\n");
  EXPECT_FALSE(h.controls.checked(C::simulate));
  EXPECT_FALSE(h.controls.checked(C::aktiivneaken));
  load(h, "[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\n");
  EXPECT_TRUE(h.controls.checked(C::simulate));
  h.controls.setValue(C::hotkey1, h.controls.value(C::hotkey2));
  EXPECT_FALSE(h.controls.checked(C::simulate));
  EXPECT_FALSE(h.controls.checked(C::aktiivneaken));
}

TEST_F(SettingsFile, AviTypeAndSaveAnimationFollowTheFile) {
  load(h, "[Snaprill]\nImageType=6\n[GIF]\nSaveAnimation=0\n");
  EXPECT_EQ(h.controls.value(C::tyyp), kAvi);
  EXPECT_FALSE(h.controls.checked(C::saveanimation));
  EXPECT_FALSE(h.controls.enabled(C::Spin));
}

TEST_F(SettingsFile, CropAndResizeFieldsNeverGoNegative) {
  load(h, "[DimAndEffects]\nCropLeft=-30\nCropTop=-1\nResizeWidth=-5\nCropWidth=12\n");
  EXPECT_EQ(h.controls.value(C::aknavasak), 0);
  EXPECT_EQ(h.controls.value(C::aknaylevalt), 0);
  EXPECT_EQ(h.controls.value(C::pildilaius), 0);
  EXPECT_EQ(h.controls.value(C::aknalaius), 12);
}

TEST_F(SettingsFile, AutostartEntryFollowsTheBoxAtEverySave) {
  const std::string entry = autostartEntryPath();
  ASSERT_EQ(entry, dir.path() + "xdg/autostart/snaprill.desktop");
  h.controls.setChecked(C::run_autom, true);
  h.platform.dirs.executablePath = "/opt/my apps/snaprill";
  SaveSettings(h.engine, file);
  EXPECT_NE(readFile(entry).find("\nExec=\"/opt/my apps/snaprill\"\n"), std::string::npos);
  h.controls.setChecked(C::run_autom, false);
  SaveSettings(h.engine, file);
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_NE(autostartEntryText("/a/100%$x").find("Exec=\"/a/100%%\\\\$x\"\n"), std::string::npos);
}

TEST_F(SettingsFile, OverlayFileIsWrittenEmptyAndReadOnlyWhenAsked) {
  SaveSettings(h.engine, file);
  EXPECT_TRUE(std::filesystem::exists(overlayFilePath(h.engine)));
  EXPECT_EQ(std::filesystem::file_size(overlayFilePath(h.engine)), 0u);

  Harness other(dir.path());
  other.engine.OverlayPicture = Bitmap(4, 4, 24);
  SaveSettings(other.engine, file);
  h.engine.OverlayPicture = Bitmap(1, 1, 24);
  load(h, "[Images]\nAddPic=0\n", false);
  EXPECT_EQ(h.engine.OverlayPicture.width(), 1);
  load(h, "[Images]\nAddPic=1\n", false);
  EXPECT_EQ(h.engine.OverlayPicture.width(), 4);

  writeFile(overlayFilePath(h.engine), "garbage, not a bitmap");
  load(h, "[Images]\n", true);
  EXPECT_EQ(h.engine.OverlayPicture.width(), 4);
}

TEST_F(SettingsFile, ImmediateWritesAndTheAutoSaveSwitch) {
  const std::string main = h.engine.mainSettingsFile();
  writeFile(main, "[Images]\nFont=Old\nAddText=1\n");
  h.controls.setText(C::FontName, "Noto Sans");
  h.controls.setValue(C::FontColour, 255);
  WriteFontSettings(h.engine);
  WriteLanguageFileSetting(h.engine, dir.path() + "eesti.ini");
  EXPECT_EQ(readFile(main),
            "[Images]\nFont=Noto Sans\nAddText=1\nTextCol=255\nFontSize=8\n[Language]\nLangFile=" +
                dir.path() + "eesti.ini\n");

  writeFile(file, "[Snaprill]\nImageType=6\nLastPic=5\n");
  h.controls.setValue(C::tyyp, kGif);
  h.engine.ImageCounter = 9;
  SwitchToOptionFile(h.engine, file);
  EXPECT_EQ(h.controls.value(C::tyyp), kAvi);
  EXPECT_EQ(h.engine.ImageCounter, 9);
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "ImageType"), "2");
  SwitchToOptionFile(h.engine, dir.path() + "missing.snp");
  EXPECT_EQ(h.controls.value(C::tyyp), kAvi);
}

TEST_F(SettingsFile, AKeyThatCannotBeWrittenEndsTheSave) {
  try {
    SaveSettings(h.engine, "/proc/snaprill.ini");
    FAIL() << "no error";
  } catch (const IniWriteError& e) {
    EXPECT_STREQ(e.what(), "Unable to write to /proc/snaprill.ini");
  }
}

}  // namespace
}  // namespace snaprill
