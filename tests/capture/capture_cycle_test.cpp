#include <filesystem>
#include <fstream>
#include <vector>

#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

TEST_F(CycleTest, ClipboardWithoutBitmapChangesNothing) {
  clipboard.offerText("hello");
  tick();
  EXPECT_TRUE(clipboard.hasText());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(cycle.names().counter(), 0);
  EXPECT_TRUE(tray.calls.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
}

TEST_F(CycleTest, CaptureWritesNumberedFileEmptiesClipboardAndUpdatesDisplay) {
  capture();
  EXPECT_TRUE(exists("snp1.jpg"));
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_EQ(cycle.names().counter(), 1);
  EXPECT_EQ(cycle.view().statusText, "1/99999 pictures");
  EXPECT_EQ(cycle.tray().record.tip(), "Snaprill - 1/99999 pictures");
  ASSERT_EQ(tray.calls.size(), 1u);
  EXPECT_EQ(tray.calls[0].op, TrayOperation::Modify);
  EXPECT_EQ(cycle.lastSavedPath, dir + "snp1.jpg");
  // No temporary file is left beside the picture.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(CycleTest, LastNumberIsWrittenThenTimersStop) {
  cycle.names().setCounter(99998);
  capture();
  EXPECT_TRUE(exists("snp99999.jpg"));
  EXPECT_EQ(cycle.view().statusText, "99999/99999 pictures");
  EXPECT_FALSE(cycle.captureTimer().enabled());
  EXPECT_FALSE(cycle.hotkeyTimer().enabled());
  // A further bitmap stays on the clipboard: nothing handles it any more.
  clipboard.offerBitmap(testing::samplePicture());
  tick();
  EXPECT_TRUE(clipboard.hasBitmap());
}

TEST_F(CycleTest, CounterAtLimitWritesNothingButEmptiesClipboard) {
  cycle.names().setCounter(99999);
  capture();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_EQ(cycle.names().counter(), 99999);
  EXPECT_EQ(cycle.droppedCaptures, 1);
  EXPECT_FALSE(cycle.captureTimer().enabled());
  // Pause and resume bring the timers back; the next bitmap is dropped again.
  cycle.togglePause();
  cycle.togglePause();
  EXPECT_TRUE(cycle.captureTimer().enabled());
  capture();
  EXPECT_FALSE(cycle.captureTimer().enabled());
}

TEST_F(CycleTest, UnwritableFolderReportsDiskFullOnceAndUsesUpTheNumber) {
  // A file where the folder should be: no one, root included, can create files in it.
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  capture();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0],
            "Cannot create file. Disk may be full or read-only.\nFolder: " + blocker + "/");
  EXPECT_EQ(cycle.names().counter(), 1);
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_TRUE(cycle.captureTimer().enabled());
  // The failed tick ends early: no display update, no launch.
  EXPECT_TRUE(tray.calls.empty());
  options.setText(Option::outputDir, dir);
  capture();
  EXPECT_TRUE(exists("snp2.jpg"));
  EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(CycleTest, ExistingFilesAreSkippedPerExtensionAndOverwriteReplacesThem) {
  for (const char* name : {"snp1.jpg", "snp2.jpg", "snp3.jpg"}) std::ofstream(dir + name) << "old";
  std::filesystem::create_directory(dir + "snp1.bmp");  // a folder does not hold a number back
  capture();
  EXPECT_TRUE(exists("snp4.jpg"));
  EXPECT_EQ(cycle.names().counter(), 4);

  options.setValue(Option::outputType, kBitmap);
  cycle.names().setCounter(0);
  capture();
  // snp1.bmp is a folder: the write fails and the number is used up.
  EXPECT_EQ(dialogs.errors.size(), 1u);
  capture();
  EXPECT_TRUE(exists("snp2.bmp"));

  options.setValue(Option::outputType, kJpeg);
  cycle.names().setCounter(0);
  dialogs.confirmAnswer = true;
  options.setChecked(Option::overwriteFiles, true);
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_NE(dialogs.confirmations[0].find("\nThis WILL overwrite"), std::string::npos);
  capture();
  EXPECT_GT(std::filesystem::file_size(dir + "snp1.jpg"), 3u);
}

TEST_F(CycleTest, CancellingTheOverwriteWarningUnchecksTheBox) {
  dialogs.confirmAnswer = false;
  options.setChecked(Option::overwriteFiles, true);
  EXPECT_FALSE(options.checked(Option::overwriteFiles));
  // Unchecking asks nothing.
  dialogs.confirmAnswer = true;
  options.setChecked(Option::overwriteFiles, true);
  options.setChecked(Option::overwriteFiles, false);
  EXPECT_EQ(dialogs.confirmations.size(), 2u);
}

TEST_F(CycleTest, NamesFollowPrefixPaddingAndCleaning) {
  options.setChecked(Option::zeroPadNumbers, true);
  EXPECT_EQ(cycle.names().pathFor(12, ".png"), dir + "snp00012.png");
  options.setChecked(Option::zeroPadNumbers, false);
  EXPECT_EQ(cycle.names().formatNumber(12), "12");

  cycle.view().prefixCaret = 5;
  options.setText(Option::filePrefix, "a/b:c");
  EXPECT_EQ(options.text(Option::filePrefix), "abc");
  EXPECT_EQ(cycle.view().prefixCaret, 3);  // text got shorter than the caret: caret at the end
  cycle.view().prefixCaret = 1;
  options.setText(Option::filePrefix, "x*y?z\"<>|\\");
  EXPECT_EQ(options.text(Option::filePrefix), "xyz");
  EXPECT_EQ(cycle.view().prefixCaret, 1);
  EXPECT_EQ(cycle.view().exampleFileName, "xyz1.jpg");

  options.setText(Option::filePrefix, "");
  capture();
  EXPECT_TRUE(exists("1.jpg"));
}

TEST_F(CycleTest, PauseAndResume) {
  cycle.automationTimer().setEnabled(true);
  cycle.togglePause();
  EXPECT_FALSE(cycle.running());
  EXPECT_FALSE(cycle.captureTimer().enabled());
  EXPECT_FALSE(cycle.hotkeyTimer().enabled());
  EXPECT_TRUE(cycle.pauseBlinkTimer().enabled());
  EXPECT_FALSE(cycle.automationTimer().enabled());
  EXPECT_EQ(cycle.view().windowCaption, "Snaprill - Paused");
  EXPECT_EQ(cycle.view().pauseCaption, "&Resume Snaprill");
  EXPECT_EQ(cycle.tray().record.tip(), "Snaprill - 0/99999 pictures - Paused");
  EXPECT_EQ(cycle.tray().record.icon, TrayIcon::Paused);

  // The status text blinks.
  cycle.blinkPausedNotice();
  EXPECT_EQ(cycle.view().statusText, "");
  cycle.blinkPausedNotice();
  EXPECT_EQ(cycle.view().statusText, "SNAPRILL IS PAUSED");

  // A screenshot taken while paused is discarded on resume.
  clipboard.offerBitmap(testing::samplePicture());
  cycle.togglePause();
  EXPECT_TRUE(cycle.running());
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_TRUE(cycle.automationTimer().enabled());
  EXPECT_EQ(cycle.view().statusText, "0/99999 pictures");
  EXPECT_EQ(cycle.view().windowCaption, "Snaprill");
  EXPECT_EQ(cycle.tray().record.icon, TrayIcon::Application);

  // With NoClearClpResume it is kept and the first tick saves it; an automation
  // timer that was stopped stays stopped.
  cycle.automationTimer().setEnabled(false);
  options.setChecked(Option::keepClipboardOnResume, true);
  cycle.togglePause();
  clipboard.offerBitmap(testing::samplePicture());
  cycle.togglePause();
  EXPECT_TRUE(clipboard.hasBitmap());
  EXPECT_FALSE(cycle.automationTimer().enabled());
  tick();
  EXPECT_TRUE(exists("snp1.jpg"));
}

TEST_F(CycleTest, CounterResetAsksFirst) {
  cycle.names().setCounter(99999);
  capture();
  dialogs.confirmAnswer = false;
  cycle.resetCounter();
  EXPECT_EQ(cycle.names().counter(), 99999);
  dialogs.confirmAnswer = true;
  cycle.resetCounter();
  EXPECT_EQ(cycle.names().counter(), 0);
  EXPECT_EQ(cycle.view().statusText, "0/99999 pictures");
  // The timers stopped at the limit stay stopped until a pause and a resume.
  EXPECT_FALSE(cycle.captureTimer().enabled());
}

TEST_F(CycleTest, TrayTipIsCutWithoutSplittingACharacter) {
  texts.set("Main", "Pictures",
            "%p kuvat \xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
  cycle.updateCounterDisplay();
  const std::string tip = cycle.tray().record.tip();
  EXPECT_LE(tip.size(), 63u);
  EXPECT_EQ(tip.rfind("Snaprill - 0/99999 kuvat ", 0), 0u);
  EXPECT_NE(static_cast<unsigned char>(tip.back()), 0xC3);
  EXPECT_EQ((tip.size() - 25) % 2, 0u);
}

TEST_F(CycleTest, ClosingSavesSettingsAndRemovesTheTrayIcon) {
  std::string saved;
  cycle.settingsSave = [&](const std::string& file) { saved = file; };
  cycle.closeQuery();
  EXPECT_EQ(saved, dir + "snaprill.ini");
  ASSERT_FALSE(tray.calls.empty());
  EXPECT_EQ(tray.calls.back().op, TrayOperation::Delete);
}

TEST_F(CycleTest, StartupClearsAStaleBitmapUnlessAsked) {
  clipboard.offerBitmap(testing::samplePicture());
  options.setChecked(Option::keepClipboardAtStart, true);
  cycle.finishStartup();
  EXPECT_TRUE(clipboard.hasBitmap());
  options.setChecked(Option::keepClipboardAtStart, false);
  cycle.finishStartup();
  EXPECT_FALSE(clipboard.hasBitmap());
}

TEST_F(CycleTest, AStartThatPausedShowsItInTheTray) {
  cycle.togglePause();  // as a load with "Pause Snaprill after starting" does
  cycle.finishStartup();
  EXPECT_EQ(cycle.tray().record.icon, TrayIcon::Paused);
  EXPECT_EQ(cycle.tray().record.tip(), "Snaprill - 0/99999 pictures - Paused");
  cycle.togglePause();
  EXPECT_EQ(cycle.tray().record.icon, TrayIcon::Application);
  EXPECT_EQ(cycle.tray().record.tip(), "Snaprill - 0/99999 pictures");
}

// Every capture that comes to nothing without a box of its own is told to the
// window, with whether its number is gone.
TEST_F(CycleTest, CapturesLostWithoutABoxAreReported) {
  std::vector<ViewState::LostCapture> losses;
  cycle.view().captureLost.add([&] { losses.push_back(cycle.view().lostCapture); });

  clipboard.offerBitmap(Bitmap());  // an offer that could not be read
  tick();
  ASSERT_EQ(losses.size(), 1u);
  EXPECT_EQ(losses[0].notice, "A capture was not saved: the picture on the clipboard is damaged.");
  EXPECT_FALSE(losses[0].numberUsedUp);
  EXPECT_EQ(cycle.view().statusText, losses[0].notice);
  EXPECT_TRUE(dialogs.errors.empty());

  cycle.names().setCounter(99999);
  capture();
  ASSERT_EQ(losses.size(), 2u);
  EXPECT_EQ(losses[1].notice, "A capture was not saved: every file number up to 99999 is taken.");
  EXPECT_EQ(cycle.view().statusText, losses[1].notice);
  EXPECT_FALSE(losses[1].numberUsedUp);

  // The disk-full box speaks for itself.
  cycle.names().setCounter(0);
  cycle.togglePause();
  cycle.togglePause();
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  capture();
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(losses.size(), 2u);
}

TEST_F(CycleTest, AutoSaveRestoreReloadsMainSettingsOnce) {
  int loads = 0;
  cycle.settingsLoad = [&](const std::string& file, bool full) {
    EXPECT_EQ(file, dir + "snaprill.ini");
    EXPECT_FALSE(full);
    ++loads;
  };
  cycle.autoSaveRestorePending = true;
  capture();
  capture();
  EXPECT_EQ(loads, 1);
}

}  // namespace
}  // namespace snaprill
