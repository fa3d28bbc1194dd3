#include <filesystem>
#include <fstream>

#include "support/engine_fixture.h"

namespace snaprill {
namespace {

using testing::EngineTest;

TEST_F(EngineTest, ClipboardWithoutBitmapChangesNothing) {
  clipboard.offerText("hello");
  tick();
  EXPECT_TRUE(clipboard.hasText());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(engine.ImageCounter, 0);
  EXPECT_TRUE(tray.calls.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
}

TEST_F(EngineTest, CaptureWritesNumberedFileEmptiesClipboardAndUpdatesDisplay) {
  capture();
  EXPECT_TRUE(exists("snp1.jpg"));
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_EQ(engine.ImageCounter, 1);
  EXPECT_EQ(engine.statusText, "1/99999 pictures");
  EXPECT_EQ(engine.trayRecord.tip(), "Snaprill - 1/99999 pictures");
  ASSERT_EQ(tray.calls.size(), 1u);
  EXPECT_EQ(tray.calls[0].op, TrayOperation::Modify);
  EXPECT_EQ(engine.LastSavedName, dir + "snp1.jpg");
  // No temporary file is left beside the picture.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(EngineTest, LastNumberIsWrittenThenTimersStop) {
  engine.ImageCounter = 99998;
  capture();
  EXPECT_TRUE(exists("snp99999.jpg"));
  EXPECT_EQ(engine.statusText, "99999/99999 pictures");
  EXPECT_FALSE(engine.captureTimer().enabled());
  EXPECT_FALSE(engine.hotKeyTimer().enabled());
  // A further bitmap stays on the clipboard: nothing handles it any more.
  clipboard.offerBitmap(testing::samplePicture());
  tick();
  EXPECT_TRUE(clipboard.hasBitmap());
}

TEST_F(EngineTest, CounterAtLimitWritesNothingButEmptiesClipboard) {
  engine.ImageCounter = 99999;
  capture();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_EQ(engine.ImageCounter, 99999);
  EXPECT_EQ(engine.droppedCaptures, 1);
  EXPECT_FALSE(engine.captureTimer().enabled());
  // Pause and resume bring the timers back; the next bitmap is dropped again.
  engine.PauseSnaprill1Click();
  engine.PauseSnaprill1Click();
  EXPECT_TRUE(engine.captureTimer().enabled());
  capture();
  EXPECT_FALSE(engine.captureTimer().enabled());
}

TEST_F(EngineTest, UnwritableFolderReportsDiskFullOnceAndUsesUpTheNumber) {
  // A file where the folder should be: no one, root included, can create files in it.
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  capture();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0], "Cannot create file. Disk may be full or read-only.");
  EXPECT_EQ(engine.ImageCounter, 1);
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_TRUE(engine.captureTimer().enabled());
  // The failed tick ends early: no display update, no launch.
  EXPECT_TRUE(tray.calls.empty());
  options.setText(Option::outputDir, dir);
  capture();
  EXPECT_TRUE(exists("snp2.jpg"));
  EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(EngineTest, ExistingFilesAreSkippedPerExtensionAndOverwriteReplacesThem) {
  for (const char* name : {"snp1.jpg", "snp2.jpg", "snp3.jpg"}) std::ofstream(dir + name) << "old";
  std::filesystem::create_directory(dir + "snp1.bmp");  // a folder does not hold a number back
  capture();
  EXPECT_TRUE(exists("snp4.jpg"));
  EXPECT_EQ(engine.ImageCounter, 4);

  options.setValue(Option::outputType, kBitmap);
  engine.ImageCounter = 0;
  capture();
  // snp1.bmp is a folder: the write fails and the number is used up.
  EXPECT_EQ(dialogs.errors.size(), 1u);
  capture();
  EXPECT_TRUE(exists("snp2.bmp"));

  options.setValue(Option::outputType, kJpeg);
  engine.ImageCounter = 0;
  dialogs.confirmAnswer = true;
  options.setChecked(Option::overwriteFiles, true);
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_NE(dialogs.confirmations[0].find("\rThis WILL overwrite"), std::string::npos);
  capture();
  EXPECT_GT(std::filesystem::file_size(dir + "snp1.jpg"), 3u);
}

TEST_F(EngineTest, CancellingTheOverwriteWarningUnchecksTheBox) {
  dialogs.confirmAnswer = false;
  options.setChecked(Option::overwriteFiles, true);
  EXPECT_FALSE(options.checked(Option::overwriteFiles));
  // Unchecking asks nothing.
  dialogs.confirmAnswer = true;
  options.setChecked(Option::overwriteFiles, true);
  options.setChecked(Option::overwriteFiles, false);
  EXPECT_EQ(dialogs.confirmations.size(), 2u);
}

TEST_F(EngineTest, NamesFollowPrefixPaddingAndCleaning) {
  options.setChecked(Option::zeroPadNumbers, true);
  EXPECT_EQ(engine.BuildOutputName(12, ".png"), dir + "snp00012.png");
  options.setChecked(Option::zeroPadNumbers, false);
  EXPECT_EQ(engine.FormatImageNumber(12), "12");

  engine.prefixCaret = 5;
  options.setText(Option::filePrefix, "a/b:c");
  EXPECT_EQ(options.text(Option::filePrefix), "abc");
  EXPECT_EQ(engine.prefixCaret, 3);  // text got shorter than the caret: caret at the end
  engine.prefixCaret = 1;
  options.setText(Option::filePrefix, "x*y?z\"<>|\\");
  EXPECT_EQ(options.text(Option::filePrefix), "xyz");
  EXPECT_EQ(engine.prefixCaret, 1);
  EXPECT_EQ(engine.snp1_jpg, "xyz1.jpg");

  options.setText(Option::filePrefix, "");
  capture();
  EXPECT_TRUE(exists("1.jpg"));
}

TEST_F(EngineTest, PauseAndResume) {
  engine.automationTimer().setEnabled(true);
  engine.PauseSnaprill1Click();
  EXPECT_FALSE(engine.running());
  EXPECT_FALSE(engine.captureTimer().enabled());
  EXPECT_FALSE(engine.hotKeyTimer().enabled());
  EXPECT_TRUE(engine.pauseBlinkTimer().enabled());
  EXPECT_FALSE(engine.automationTimer().enabled());
  EXPECT_EQ(engine.windowCaption, "Snaprill - Paused");
  EXPECT_EQ(engine.pauseCaption, "&Resume Snaprill");
  EXPECT_EQ(engine.trayRecord.tip(), "Snaprill - 0/99999 pictures - Paused");
  EXPECT_EQ(engine.trayRecord.icon, TrayIcon::Paused);

  // The status text blinks.
  engine.pausitaimerTimer();
  EXPECT_EQ(engine.statusText, "");
  engine.pausitaimerTimer();
  EXPECT_EQ(engine.statusText, "SNAPRILL IS PAUSED");

  // A screenshot taken while paused is discarded on resume.
  clipboard.offerBitmap(testing::samplePicture());
  engine.PauseSnaprill1Click();
  EXPECT_TRUE(engine.running());
  EXPECT_FALSE(clipboard.hasBitmap());
  EXPECT_TRUE(engine.automationTimer().enabled());
  EXPECT_EQ(engine.statusText, "0/99999 pictures");
  EXPECT_EQ(engine.windowCaption, "Snaprill");
  EXPECT_EQ(engine.trayRecord.icon, TrayIcon::Application);

  // With NoClearClpResume it is kept and the first tick saves it; an automation
  // timer that was stopped stays stopped.
  engine.automationTimer().setEnabled(false);
  options.setChecked(Option::keepClipboardOnResume, true);
  engine.PauseSnaprill1Click();
  clipboard.offerBitmap(testing::samplePicture());
  engine.PauseSnaprill1Click();
  EXPECT_TRUE(clipboard.hasBitmap());
  EXPECT_FALSE(engine.automationTimer().enabled());
  tick();
  EXPECT_TRUE(exists("snp1.jpg"));
}

TEST_F(EngineTest, CounterResetAsksFirst) {
  engine.ImageCounter = 99999;
  capture();
  dialogs.confirmAnswer = false;
  engine.imagecountto0Click();
  EXPECT_EQ(engine.ImageCounter, 99999);
  dialogs.confirmAnswer = true;
  engine.imagecountto0Click();
  EXPECT_EQ(engine.ImageCounter, 0);
  EXPECT_EQ(engine.statusText, "0/99999 pictures");
  // The timers stopped at the limit stay stopped until a pause and a resume.
  EXPECT_FALSE(engine.captureTimer().enabled());
}

TEST_F(EngineTest, TrayTipIsCutWithoutSplittingACharacter) {
  texts.set("Main", "Pictures",
            "%p kuvat \xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
  engine.UpdateCounterDisplay();
  const std::string tip = engine.trayRecord.tip();
  EXPECT_LE(tip.size(), 63u);
  EXPECT_EQ(tip.rfind("Snaprill - 0/99999 kuvat ", 0), 0u);
  EXPECT_NE(static_cast<unsigned char>(tip.back()), 0xC3);
  EXPECT_EQ((tip.size() - 25) % 2, 0u);
}

TEST_F(EngineTest, ClosingSavesSettingsAndRemovesTheTrayIcon) {
  std::string saved;
  engine.saveSettings = [&](const std::string& file) { saved = file; };
  engine.FormCloseQuery();
  EXPECT_EQ(saved, dir + "snaprill.ini");
  ASSERT_FALSE(tray.calls.empty());
  EXPECT_EQ(tray.calls.back().op, TrayOperation::Delete);
}

TEST_F(EngineTest, StartupClearsAStaleBitmapUnlessAsked) {
  clipboard.offerBitmap(testing::samplePicture());
  options.setChecked(Option::keepClipboardAtStart, true);
  engine.finishStartup();
  EXPECT_TRUE(clipboard.hasBitmap());
  options.setChecked(Option::keepClipboardAtStart, false);
  engine.finishStartup();
  EXPECT_FALSE(clipboard.hasBitmap());
}

TEST_F(EngineTest, AutoSaveRestoreReloadsMainSettingsOnce) {
  int loads = 0;
  engine.loadSettings = [&](const std::string& file, bool full) {
    EXPECT_EQ(file, dir + "snaprill.ini");
    EXPECT_FALSE(full);
    ++loads;
  };
  engine.AutoSaveRestorePending = true;
  capture();
  capture();
  EXPECT_EQ(loads, 1);
}

}  // namespace
}  // namespace snaprill
