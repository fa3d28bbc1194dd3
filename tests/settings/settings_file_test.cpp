#include "settings/settings_file.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "formats/ini/ini_file.h"
#include "options/file_prefix.h"
#include "platform/autostart.h"
#include "settings/overlay_file.h"
#include "support/error_kind.h"
#include "support/full_disk.h"
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
  LoadedSettings load(Harness& target, const std::string& text, bool full = true) {
    writeFile(file, text);
    return target.settings.load(file, full);
  }

  TempDir dir;
  std::string file = dir.path() + "test.snp";
  Harness h{dir.path()};
};

// Gives every stored control a value away from its default.
void setEverything(Harness& h, const std::string& outputDir) {
  Options& c = h.options;
  c.setValue(Option::outputType, kPng);
  h.qualityBar.outputTypeChanged();
  c.setValue(Option::jpegQuality, 77);
  c.setValue(Option::qualityBar, 4);  // the PNG level through the slider
  c.setValue(Option::windowTop, -20);
  c.setValue(Option::windowLeft, 300);
  c.setValue(Option::clientHeight, 99);
  for (Option box : {Option::rememberLastNumber,
                     Option::keepClipboardAtStart,
                     Option::keepClipboardOnResume,
                     Option::trayIconAlways,
                     Option::runAtLogin,
                     Option::zeroPadNumbers,
                     Option::captureScreenOnKey,
                     Option::autoSave2,
                     Option::addText,
                     Option::addCursor,
                     Option::addOverlay,
                     Option::saveAnimation,
                     Option::gifGrayscale,
                     Option::targaBlackAndWhite,
                     Option::crop,
                     Option::autoResize,
                     Option::invertColours,
                     Option::emboss,
                     Option::grayscale,
                     Option::pixelize,
                     Option::blur,
                     Option::automationStopAfter,
                     Option::automationDelayed,
                     Option::openInExternalProgram,
                     Option::galleryLinks}) {
    c.setChecked(box, true);
  }
  c.setChecked(Option::optimizeAnimation, false);
  h.state.names.setCounter(4321);
  c.setText(Option::outputDir, outputDir);
  c.setText(Option::filePrefix, "shot ü ");
  c.setValue(Option::screenKey, 0x6000 | 'P');
  c.setValue(Option::activeWindowKey, 0x8000 | 0x7B);
  c.setValue(Option::autoSave3Key, 0x2000 | 'Z');
  c.setText(Option::autoSave2File, "/home/user/my options.snp");
  c.setText(Option::captureText, "%y-%m-%d %h %+ : %+ %i");
  c.setValue(Option::textPosition, 4);
  c.setValue(Option::textBackgroundColour, -2147483633);
  c.setValue(Option::textColour, 0xFF0000);
  c.setText(Option::textFontName, "DejaVu Sans");
  c.setValue(Option::textFontSize, 13);
  c.setValue(Option::textFontStyle, kTextItalic | kTextStrikeOut);
  c.setValue(Option::textOffsetX, -3);
  c.setValue(Option::textOffsetY, 12);
  c.setValue(Option::overlayX, -10);
  c.setValue(Option::overlayY, 20);
  c.setValue(Option::animationFrameCount, 17);
  c.setValue(Option::frameDelay, 3600000);
  c.setValue(Option::tiffDepth, 2);
  c.setValue(Option::bitmapDepth, 6);
  c.setValue(Option::cropLeft, 5);
  c.setValue(Option::cropTop, 6);
  c.setValue(Option::cropWidth, 700);
  c.setValue(Option::cropHeight, 800);
  c.setValue(Option::resizeWidth, 320);
  c.setValue(Option::resizeHeight, 240);
  c.setValue(Option::pixelizeLevel, 33);
  c.setValue(Option::blurLevel, 100);
  c.setValue(Option::automationPeriod, 35791);
  c.setValue(Option::automationUnit, 2);
  c.setValue(Option::automationStopCount, 99999);
  c.setValue(Option::automationDelay, -5);
  c.setText(Option::externalProgram, "/usr/bin/gimp");
  c.setText(Option::externalParameters, "--new \"%filename\"");
  c.setValue(Option::galleryAlign, 2);
  c.setValue(Option::galleryColumns, 7);
  c.setValue(Option::galleryImageWidth, 200000);
  c.setValue(Option::galleryImageHeight, 0);
  Bitmap overlay(3, 2, 24);
  overlay.setPixel(2, 1, Rgb{200, 100, 50});
  h.state.overlay.set(overlay);
}

TEST_F(SettingsFile, SaveLoadSaveGivesTheSameFileAndOverlay) {
  setEverything(h, dir.path());
  h.settings.save(file);
  const std::string first = readFile(file);

  Harness fresh(dir.path());
  const LoadedSettings loaded = fresh.settings.load(file, true);
  EXPECT_EQ(fresh.options.value(Option::pngLevel), 4);
  EXPECT_EQ(fresh.options.value(Option::qualityBar), 4);
  EXPECT_EQ(fresh.state.names.counter(), 4321);
  EXPECT_EQ(fresh.options.value(Option::clientHeight), 99);
  EXPECT_TRUE(loaded.windowPositionStored);
  EXPECT_EQ(fresh.state.overlay.picture().width(), 3);
  EXPECT_EQ(fresh.state.overlay.picture().pixel(2, 1), (Rgb{200, 100, 50}));
  EXPECT_EQ(fresh.options.value(Option::blurLevel), 100);

  const std::string second = dir.path() + "again.snp";
  fresh.settings.save(second);
  EXPECT_EQ(readFile(second), first);
}

TEST_F(SettingsFile, SavedFileHoldsNoOverwriteNoLanguageAndKeepsUnknownKeys) {
  h.options.setChecked(Option::overwriteFiles, true);
  writeFile(file, "[Language]\nLangFile=/x/estonian.ini\n[Mine]\nkeep = \"me\"\n");
  h.settings.save(file);
  const std::string text = readFile(file);
  EXPECT_EQ(text.find("Overwrite"), std::string::npos);
  EXPECT_EQ(text.rfind("[Language]\nLangFile=/x/estonian.ini\n[Mine]\nkeep = \"me\"\n", 0), 0u);
  EXPECT_EQ(IniFile(text).value("Snaprill", "ImageType"), "0");
}

TEST_F(SettingsFile, OutOfRangeAndUnreadableValuesTakeDefaultsOrClamp) {
  load(h,
       "[Snaprill]\nImageType=12\nJPEGQuality=250\n"
       "[General]\nPrntScrnHotKey=0x7A\nAltPrntScrnHotKey=0x1007B\n"
       "[Images]\nTextPos=6\nTextX=12abc\n"
       "[GIF]\nImageCount=1\n"
       "[Automation]\nTimeUnits=7\nTableCols=80\nImageWidth=-9\n");
  const Options& c = h.options;
  EXPECT_EQ(c.value(Option::outputType), kJpeg);
  EXPECT_EQ(c.value(Option::qualityBar), 100);  // the slider shows the quality, clamped
  EXPECT_EQ(c.value(Option::jpegQuality), 100);
  EXPECT_EQ(c.value(Option::screenKey), 122);
  EXPECT_EQ(c.value(Option::activeWindowKey), 0x7B);  // a shortcut keeps 16 bits
  EXPECT_EQ(c.value(Option::textPosition), 0);
  EXPECT_EQ(c.value(Option::textOffsetX), 7);
  EXPECT_EQ(c.value(Option::animationFrameCount), 2);
  EXPECT_EQ(c.value(Option::automationUnit), 1);
  EXPECT_EQ(c.value(Option::galleryColumns), 50);
  EXPECT_EQ(c.value(Option::galleryImageWidth), -1);

  load(h, "[Snaprill]\nImageType=-1\n");
  EXPECT_EQ(c.value(Option::outputType), kJpeg);
}

TEST_F(SettingsFile, LastPicIsReadOnlyWhenRememberedAndKeptInRange) {
  h.state.names.setCounter(42);
  load(h, "[Snaprill]\nRememberLastPic=0\nLastPic=500\n");
  EXPECT_EQ(h.state.names.counter(), 42);
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=500\n");
  EXPECT_EQ(h.state.names.counter(), 500);
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=123456\n");
  EXPECT_EQ(h.state.names.counter(), 0);
  h.state.names.setCounter(7);
  load(h, "[Snaprill]\nRememberLastPic=1\nLastPic=900\n", false);
  EXPECT_EQ(h.state.names.counter(), 7);
}

TEST_F(SettingsFile, FontStyleLettersAndThePrefixKey) {
  load(h, "[Images]\nFontStyle=UB\n[General]\nFilenamePrefix=\n");
  EXPECT_EQ(h.options.value(Option::textFontStyle), kTextBold | kTextUnderline);
  EXPECT_EQ(h.options.text(Option::filePrefix), "");
  load(h, "[Images]\nFontStyle=\n[General]\nFilenamePrefix=a/b:c?\n");
  EXPECT_EQ(h.options.value(Option::textFontStyle), 0);
  EXPECT_EQ(h.options.text(Option::filePrefix), "abc");
  EXPECT_EQ(exampleFileName(h.options), "abc1.jpg");
  load(h, "[Images]\n");
  EXPECT_EQ(h.options.value(Option::textFontStyle), kTextBold);
  EXPECT_EQ(h.options.text(Option::filePrefix), "snp");
}

TEST_F(SettingsFile, OutputDirectoryGetsItsSeparatorOnlyAtStartUp) {
  const std::string sub = dir.path() + "out";
  std::filesystem::create_directory(sub);
  load(h, "[General]\nOutputDir=" + sub + "\n", false);
  EXPECT_EQ(h.options.text(Option::outputDir), sub);
  h.settings.loadStartup(file);
  EXPECT_EQ(h.options.text(Option::outputDir), sub + "/");
  load(h, "[General]\nOutputDir=\n");
  h.settings.settleOutputDirectory();
  EXPECT_EQ(h.options.text(Option::outputDir), h.platform.dirs.defaultOutput);
}

// A removable disk not mounted yet at the start: the user's folder stays the
// setting, captures go to the default folder meanwhile (said once), and to the
// user's folder again once it is there.
TEST_F(SettingsFile, AnOutputFolderMissingAtTheStartStaysChosenAndIsUsedOnceThere) {
  const std::string main = h.settings.mainFile();
  const std::string disk = dir.path() + "media/disk/";
  const std::string shots = disk + "shots/";
  writeFile(main, "[General]\nOutputDir=" + shots + "\n");
  h.settings.loadStartup(main);
  EXPECT_EQ(h.options.text(Option::outputDir), shots);
  EXPECT_TRUE(h.options.checked(Option::useChosenDir));
  h.capture();
  EXPECT_EQ(h.lastSaved.path, dir.path() + "snp1.jpg");
  const std::string notice = "The output folder " + shots + " is not there: captures go to " +
                             dir.path() + " until it is.";
  EXPECT_EQ(h.status.statusText(), notice);
  EXPECT_FALSE(std::filesystem::exists(disk)) << "not made in place of the disk";
  h.capture();
  EXPECT_EQ(h.lastSaved.path, dir.path() + "snp2.jpg");
  EXPECT_NE(h.status.statusText(), notice) << "said once";
  h.settings.close();
  EXPECT_EQ(IniFile::fromFile(main).value("General", "OutputDir"), shots);

  // The disk is mounted: the folder is used again; taken away while the program
  // runs, it is made again, as any output folder removed meanwhile.
  std::filesystem::create_directories(shots);
  h.capture();
  EXPECT_EQ(h.lastSaved.path, shots + "snp3.jpg");
  std::filesystem::remove_all(disk);
  h.capture();
  EXPECT_EQ(h.lastSaved.path, shots + "snp4.jpg");
  EXPECT_TRUE(h.dialogs.errors.empty());
}

// An output folder that is a link: the folder it leads to, removed while the
// program runs, is made again (it once gave "Disk may be full"); a link that leads
// nowhere since the start is a folder missing at the start.
TEST_F(SettingsFile, ALinkedOutputFolderWhoseFolderIsRemovedIsMadeAgain) {
  const std::string target = dir.path() + "data/shots";
  const std::string link = dir.path() + "shots";
  std::filesystem::create_directories(target);
  std::filesystem::create_symlink(target, link);
  writeFile(h.settings.mainFile(), "[General]\nOutputDir=" + link + "\n");
  h.settings.loadStartup(h.settings.mainFile());
  h.capture();
  EXPECT_EQ(h.lastSaved.path, link + "/snp1.jpg");
  std::filesystem::remove_all(dir.path() + "data");
  h.capture();
  EXPECT_EQ(h.lastSaved.path, link + "/snp2.jpg");
  EXPECT_TRUE(std::filesystem::exists(target + "/snp2.jpg"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(h.dialogs.errors.empty());

  std::filesystem::remove_all(dir.path() + "data");
  Harness fresh(dir.path());
  fresh.settings.loadStartup(fresh.settings.mainFile());
  fresh.capture();
  EXPECT_EQ(fresh.lastSaved.path, dir.path() + "snp1.jpg");
  EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(SettingsFile, FirstStartWithoutAFileGivesTheDefaults) {
  h.options.setValue(Option::automationDelay, 30000);  // the form's value
  const LoadedSettings loaded = h.settings.loadStartup(h.settings.mainFile());
  const Options& c = h.options;
  EXPECT_FALSE(loaded.windowPositionStored);
  EXPECT_EQ(c.value(Option::outputType), kJpeg);
  EXPECT_EQ(c.value(Option::qualityBar), 90);
  EXPECT_EQ(c.value(Option::pngLevel), 9);
  EXPECT_EQ(c.text(Option::filePrefix), "snp");
  EXPECT_EQ(c.value(Option::screenKey), 123);
  EXPECT_EQ(c.value(Option::activeWindowKey), 122);
  EXPECT_EQ(c.text(Option::outputDir), dir.path());
  EXPECT_EQ(c.value(Option::automationDelay), 1);
  EXPECT_EQ(c.value(Option::textColour), 0x008000);
  EXPECT_EQ(c.value(Option::textBackgroundColour), 0x000000);  // the text shows on it
  EXPECT_EQ(c.text(Option::textFontName), "Sans Serif");
  EXPECT_EQ(c.value(Option::textFontSize), 8);
  EXPECT_EQ(c.value(Option::textFontStyle), kTextBold);
  EXPECT_EQ(c.text(Option::externalProgram), "xdg-open");
  EXPECT_EQ(c.text(Option::externalParameters), "%filename");
  EXPECT_EQ(loaded.languageFile, dir.path() + "english.ini");
  EXPECT_FALSE(h.cycle.paused());
  EXPECT_TRUE(h.tray.calls.empty());
}

TEST_F(SettingsFile, LoadingAMissingFileAppliesEveryDefaultAndLeavesTheWindow) {
  Options& c = h.options;
  for (Option box : {Option::rememberLastNumber, Option::keepClipboardAtStart, Option::runAtLogin,
                     Option::addText})
    c.setChecked(box, true);
  c.setValue(Option::windowTop, 55);
  c.setValue(Option::automationDelay, 30000);
  const LoadedSettings loaded = h.settings.load(dir.path() + "missing.snp", true);
  for (Option box : {Option::rememberLastNumber, Option::keepClipboardAtStart, Option::runAtLogin,
                     Option::addText}) {
    EXPECT_FALSE(c.checked(box)) << specOf(box).name;
  }
  EXPECT_EQ(c.value(Option::windowTop), 55);
  EXPECT_FALSE(loaded.windowPositionStored);
  EXPECT_EQ(c.value(Option::automationDelay), 1);
}

TEST_F(SettingsFile, APartialLoadKeepsStartUpKeysAndTheFourCurrentValues) {
  Options& c = h.options;
  c.setChecked(Option::keepClipboardAtStart, true);
  c.setValue(Option::textBackgroundColour, 0x123456);
  c.setValue(Option::textColour, 0x654321);
  c.setText(Option::externalProgram, "gimp");
  c.setText(Option::externalParameters, "%filename -x");
  c.setValue(Option::frameDelay, 99);
  c.setValue(Option::windowLeft, 10);
  load(h, "[Snaprill]\nNoClearClpStart=0\nLeft=400\n", false);
  EXPECT_TRUE(c.checked(Option::keepClipboardAtStart));
  EXPECT_EQ(c.value(Option::windowLeft), 10);
  EXPECT_EQ(c.value(Option::textBackgroundColour), 0x123456);
  EXPECT_EQ(c.value(Option::textColour), 0x654321);
  EXPECT_EQ(c.text(Option::externalProgram), "gimp");
  EXPECT_EQ(c.text(Option::externalParameters), "%filename -x");
  EXPECT_EQ(c.value(Option::frameDelay), 10);  // an ordinary key goes back to its default
}

TEST_F(SettingsFile, AStoredTextBackgroundKeepsItsColourAndAMissingOneTheColourInUse) {
  Options& c = h.options;
  EXPECT_EQ(c.value(Option::textBackgroundColour), 0x000000);
  // A file of an older default: green on green, as it was stored.
  load(h, "[Images]\nTextBGColor=32768\nTextCol=32768\n");
  EXPECT_EQ(c.value(Option::textBackgroundColour), 0x008000);
  load(h, "[Images]\nTextCol=255\n");
  EXPECT_EQ(c.value(Option::textBackgroundColour), 0x008000);
  // Saved as any colour is.
  c.setValue(Option::textBackgroundColour, 0x000000);
  h.settings.save(file);
  EXPECT_EQ(IniFile(readFile(file)).value("Images", "TextBGColor"),
            std::optional<std::string>("0"));
}

TEST_F(SettingsFile, StartUpKeysPauseCollapseAndConnectTheTrayBox) {
  load(h, "[Snaprill]\nStartPaused=1\nTrayAlways=1\nAdvanced=0\n");
  EXPECT_TRUE(h.cycle.paused());
  EXPECT_EQ(h.options.value(Option::clientHeight), 99);
  EXPECT_TRUE(std::none_of(h.tray.calls.begin(), h.tray.calls.end(), [](const auto& call) {
    return call.op == TrayOperation::Add;
  })) << "the start-up load adds no icon";
  // The start connects the box: a later load that changes it adds or removes the icon.
  h.cycle.start();
  const std::size_t trayCalls = h.tray.calls.size();
  load(h, "[Snaprill]\nTrayAlways=0\n");
  ASSERT_EQ(h.tray.calls.size(), trayCalls + 1);
  EXPECT_EQ(h.tray.calls.back().op, TrayOperation::Delete);
}

TEST_F(SettingsFile, CaptureHotkeysThatCollideSwitchBothOff) {
  load(h,
       "[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\nPrntScrnHotKey=120\nAltPrntScrnHotKey=120\n");
  EXPECT_FALSE(h.options.checked(Option::captureScreenOnKey));
  EXPECT_FALSE(h.options.checked(Option::captureActiveWindowOnKey));
  load(h, "[General]\nSimPrntScrn=1\nSimAltPrntScrn=1\n");
  EXPECT_TRUE(h.options.checked(Option::captureScreenOnKey));
  h.options.setValue(Option::activeWindowKey, h.options.value(Option::screenKey));
  EXPECT_FALSE(h.options.checked(Option::captureScreenOnKey));
  EXPECT_FALSE(h.options.checked(Option::captureActiveWindowOnKey));
}

TEST_F(SettingsFile, AviTypeAndSaveAnimationFollowTheFile) {
  load(h, "[Snaprill]\nImageType=6\n[GIF]\nSaveAnimation=0\n");
  EXPECT_EQ(h.options.value(Option::outputType), kAvi);
  EXPECT_FALSE(h.options.checked(Option::saveAnimation));
  EXPECT_FALSE(h.options.enabled(Option::qualityBar));
}

TEST_F(SettingsFile, CropAndResizeFieldsNeverGoNegative) {
  load(h, "[DimAndEffects]\nCropLeft=-30\nCropTop=-1\nResizeWidth=-5\nCropWidth=12\n");
  EXPECT_EQ(h.options.value(Option::cropLeft), 0);
  EXPECT_EQ(h.options.value(Option::cropTop), 0);
  EXPECT_EQ(h.options.value(Option::resizeWidth), 0);
  EXPECT_EQ(h.options.value(Option::cropWidth), 12);
}

TEST_F(SettingsFile, AutostartEntryFollowsTheBoxAtEverySave) {
  const std::string entry = autostartEntryPath();
  ASSERT_EQ(entry, dir.path() + "xdg/autostart/snaprill.desktop");
  h.options.setChecked(Option::runAtLogin, true);
  h.platform.dirs.executablePath = "/opt/my apps/snaprill";
  h.settings.save(file);
  EXPECT_NE(readFile(entry).find("\nExec=\"/opt/my apps/snaprill\"\n"), std::string::npos);
  h.options.setChecked(Option::runAtLogin, false);
  h.settings.save(file);
  EXPECT_FALSE(std::filesystem::exists(entry));
  EXPECT_NE(autostartEntryText("/a/100%$x").find("Exec=\"/a/100%%\\\\$x\"\n"), std::string::npos);
}

TEST_F(SettingsFile, OverlayFileIsWrittenEmptyAndReadOnlyWhenAsked) {
  h.settings.save(file);
  EXPECT_TRUE(std::filesystem::exists(overlayFilePath(h.platform.dirs.configDir)));
  EXPECT_EQ(std::filesystem::file_size(overlayFilePath(h.platform.dirs.configDir)), 0u);

  Harness other(dir.path());
  other.state.overlay.set(Bitmap(4, 4, 24));
  other.settings.save(file);
  h.state.overlay.set(Bitmap(1, 1, 24));
  load(h, "[Images]\nAddPic=0\n", false);
  EXPECT_EQ(h.state.overlay.picture().width(), 1);
  load(h, "[Images]\nAddPic=1\n", false);
  EXPECT_EQ(h.state.overlay.picture().width(), 4);

  writeFile(overlayFilePath(h.platform.dirs.configDir), "garbage, not a bitmap");
  load(h, "[Images]\n", true);
  EXPECT_EQ(h.state.overlay.picture().width(), 4);
}

TEST_F(SettingsFile, ImmediateWritesAndTheAutoSaveSwitch) {
  const std::string main = h.settings.mainFile();
  writeFile(main, "[Images]\nFont=Old\nAddText=1\n");
  h.options.setText(Option::textFontName, "Noto Sans");
  h.options.setValue(Option::textColour, 255);
  h.settings.writeFont();
  h.settings.writeLanguageFile(dir.path() + "eesti.ini");
  EXPECT_EQ(readFile(main),
            "[Images]\nFont=Noto Sans\nAddText=1\nTextCol=255\nFontSize=8\n[Language]\nLangFile=" +
                dir.path() + "eesti.ini\n");

  writeFile(file, "[Snaprill]\nImageType=6\nLastPic=5\n");
  h.options.setValue(Option::outputType, kGif);
  h.state.names.setCounter(9);
  h.settings.useForOneCapture(file);
  EXPECT_EQ(h.options.value(Option::outputType), kAvi);
  EXPECT_EQ(h.state.names.counter(), 9);
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "ImageType"), "2");
  h.settings.useForOneCapture(dir.path() + "missing.snp");
  EXPECT_EQ(h.options.value(Option::outputType), kAvi);
}

TEST_F(SettingsFile, ASaveThatCannotBeWrittenRaisesTheMessage) {
  try {
    h.settings.save("/proc/snaprill.ini");
    FAIL() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(e.kind(), FileErrorKind::SettingsNotWritten);
    EXPECT_STREQ(e.what(), "Unable to write to /proc/snaprill.ini");
  }
}

TEST_F(SettingsFile, ASaveReplacesTheFileOnceAndKeepsItWholeWhenItCannot) {
  // Every replacement of a file in the folder is a rename onto its name.
  const int watch = ::inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO), 0);
  const auto renamesSoFar = [watch] {
    std::map<std::string, int> renames;
    alignas(inotify_event) char events[8192];
    for (ssize_t n; (n = ::read(watch, events, sizeof events)) > 0;) {
      for (char* p = events; p < events + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        ++renames[event->name];
        p += sizeof(inotify_event) + event->len;
      }
    }
    return renames;
  };
  const std::string main = h.settings.mainFile();
  writeFile(main, "[Mine]\nKept=1\n");
  h.settings.save(main);
  std::map<std::string, int> renames = renamesSoFar();
  EXPECT_EQ(renames["snaprill.ini"], 1);
  EXPECT_EQ(renames["snaprill.tmp"], 1);
  EXPECT_EQ(IniFile::fromFile(main).value("Mine", "Kept"), "1");
  EXPECT_EQ(IniFile::fromFile(main).value("Automation", "Hyperlinks"), "0");
  // Saved again unchanged (the usual exit): the files hold their bytes already.
  h.settings.save(main);
  EXPECT_TRUE(renamesSoFar().empty());
  ::close(watch);

  // A disk that fills up during the save: the old text stays whole, without a
  // single key of the new save.
  h.options.setValue(Option::outputType, kTiff);
  const std::string before = readFile(main);
  EXPECT_TRUE(testing::throwsOnFullDisk(FileErrorKind::SettingsNotWritten, 1024,
                                        [&] { h.settings.save(main); }));
  EXPECT_EQ(readFile(main), before);
}

// A settings file made private keeps its mode; one its owner locked (chmod a-w)
// is left as it is, without a box at every exit, and a save into it by name says so.
TEST_F(SettingsFile, TheSettingsFileKeepsItsModeAndALockedOneIsLeftAlone) {
  const std::string main = h.settings.mainFile();
  const auto mode = [&main] {
    return std::filesystem::status(main).permissions() & std::filesystem::perms::mask;
  };
  writeFile(main, "[Mine]\nKept=1\n");
  std::filesystem::permissions(
      main, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  const std::filesystem::perms privateMode = mode();
  h.options.setValue(Option::outputType, kPng);
  h.settings.close();
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "ImageType"), "1");
  EXPECT_EQ(mode(), privateMode);

  std::filesystem::permissions(main, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  const std::filesystem::perms locked = mode();
  const std::string before = readFile(main);
  h.options.setValue(Option::outputType, kTiff);
  h.settings.writeFont();
  h.settings.writeOutputDir();
  h.settings.writeLanguageFile(dir.path() + "eesti.ini");
  h.settings.close();
  EXPECT_EQ(readFile(main), before);
  EXPECT_EQ(mode(), locked);
  EXPECT_TRUE(h.dialogs.errors.empty());
  EXPECT_EQ(testing::errorKind<FileError>([&] { h.settings.save(main); }),
            FileErrorKind::SettingsNotWritten);
  EXPECT_EQ(readFile(main), before);
}

// The window saves a change a moment after it, not only at the close: a display
// that goes away (or a crash) ends the program without one.
TEST_F(SettingsFile, ChangesAreSavedAMomentLaterOnceAndNothingWithoutAChange) {
  const std::string main = h.settings.mainFile();
  h.settings.loadStartup(main);
  auto owned = std::make_unique<fake::FakeTimer>();
  fake::FakeTimer& timer = *owned;
  h.settings.saveChangesSoon(std::move(owned));
  EXPECT_FALSE(timer.enabled()) << "the start-up load is no change";
  EXPECT_EQ(timer.interval(), SettingsFiles::kSaveDelay);

  h.options.setValue(Option::outputType, kGif);
  EXPECT_TRUE(timer.enabled());
  EXPECT_FALSE(std::filesystem::exists(main)) << "not at each change";
  h.options.setValue(Option::jpegQuality, 55);
  timer.tick();
  EXPECT_FALSE(timer.enabled());
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "ImageType"), "2");
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "JPEGQuality"), "55");

  // An auto-save capture's options are another file's: never saved as the user's.
  writeFile(file, "[Snaprill]\nImageType=1\n");
  h.settings.useForOneCapture(file);
  EXPECT_FALSE(timer.enabled());
  h.capture();
  EXPECT_EQ(h.options.value(Option::outputType), kGif);
  EXPECT_FALSE(timer.enabled());
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "ImageType"), "2");

  // A remembered number is kept as an option is.
  h.options.setChecked(Option::rememberLastNumber, true);
  timer.tick();
  h.capture();
  EXPECT_TRUE(timer.enabled());
  timer.tick();
  EXPECT_EQ(IniFile::fromFile(main).value("Snaprill", "LastPic"), "2");
}

TEST_F(SettingsFile, ASettingsFileThatCannotBeWrittenIsReportedOncePerFile) {
  // A folder where the settings file should be.
  std::filesystem::create_directory(h.settings.mainFile());
  const auto close = [&] {
    try {
      h.settings.close();
    } catch (...) {
      h.reports.reportError(std::current_exception());
    }
  };
  close();
  const std::string message =
      "The settings were not saved: unable to write to " + h.settings.mainFile();
  EXPECT_EQ(h.dialogs.errors, std::vector<std::string>{message});
  // Again (an auto-save hotkey, say): the status bar says it, no second box.
  close();
  EXPECT_EQ(h.dialogs.errors.size(), 1u);
  EXPECT_EQ(h.status.statusText(), message);
}

TEST_F(SettingsFile, ClosingSavesTheSettingsAndTheStatusRemovesTheTrayIcon) {
  h.status.closing();
  h.settings.close();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snaprill.ini"));
  ASSERT_FALSE(h.tray.calls.empty());
  EXPECT_EQ(h.tray.calls.back().op, TrayOperation::Delete);
}

// The auto-save hotkeys' capture with the options of another file: the user's own
// settings come back once, after that capture, saved or lost.
TEST_F(SettingsFile, OneCaptureWithAnOptionsFileThenTheUsersSettingsOnce) {
  writeFile(file, "[Snaprill]\nImageType=1\n");
  h.settings.useForOneCapture(file);
  EXPECT_EQ(h.options.value(Option::outputType), kPng);
  h.capture();
  EXPECT_TRUE(h.lastSaved.path.ends_with("snp1.png"));
  EXPECT_EQ(h.options.value(Option::outputType), kJpeg);
  EXPECT_FALSE(h.settings.oneCaptureWaiting());
  h.options.setValue(Option::outputType, kBitmap);
  h.capture();
  EXPECT_EQ(h.options.value(Option::outputType), kBitmap) << "loaded back once only";

  // A capture whose picture is damaged is over all the same.
  h.settings.useForOneCapture(file);
  h.clipboard.offerDamagedBitmap();
  h.tick();
  EXPECT_EQ(h.options.value(Option::outputType), kBitmap);
  EXPECT_FALSE(h.settings.oneCaptureWaiting());
}

}  // namespace
}  // namespace snaprill
