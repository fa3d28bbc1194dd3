#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "options/file_prefix.h"
#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

TEST_F(CycleTest, ClipboardWithoutBitmapChangesNothing) {
  clipboard.offerText("hello");
  tick();
  EXPECT_TRUE(clipboard.hasText());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_TRUE(tray.calls.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
}

TEST_F(CycleTest, CaptureWritesNumberedFileEmptiesClipboardAndUpdatesDisplay) {
  capture();
  EXPECT_TRUE(exists("snp1.jpg"));
  EXPECT_FALSE(clipboard.hasPicture());
  EXPECT_EQ(state.names.counter(), 1);
  EXPECT_EQ(status.statusText(), "1/99999 pictures");
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 1/99999 pictures");
  ASSERT_EQ(tray.calls.size(), 1u);
  EXPECT_EQ(tray.calls[0].op, TrayOperation::Modify);
  EXPECT_EQ(lastSaved.path, dir + "snp1.jpg");
  // No temporary file is left beside the picture.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(CycleTest, LastNumberIsWrittenThenTimersStop) {
  state.names.setCounter(99998);
  capture();
  EXPECT_TRUE(exists("snp99999.jpg"));
  EXPECT_EQ(status.statusText(), "99999/99999 pictures");
  EXPECT_FALSE(cycle.takingPictures());
  // A further bitmap stays on the clipboard: nothing handles it any more.
  clipboard.offerBitmap(testing::samplePicture());
  tick();
  EXPECT_TRUE(clipboard.hasPicture());
}

TEST_F(CycleTest, CounterAtLimitWritesNothingButEmptiesClipboard) {
  state.names.setCounter(99999);
  capture();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
  EXPECT_FALSE(clipboard.hasPicture());
  EXPECT_EQ(state.names.counter(), 99999);
  EXPECT_EQ(cycle.counts().dropped, 1);
  EXPECT_FALSE(cycle.takingPictures());
  // Pause and resume bring the timers back; the next bitmap is dropped again.
  cycle.togglePause();
  cycle.togglePause();
  EXPECT_TRUE(cycle.takingPictures());
  capture();
  EXPECT_FALSE(cycle.takingPictures());
}

TEST_F(CycleTest, UnwritableFolderReportsDiskFullOnceAndLeavesThePictureAndItsNumber) {
  // A file where the folder should be: no one, root included, can create files in it.
  // The box says the system's reason below the program's own text.
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  state.names.setCounter(37);
  capture();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0], "Cannot create file. Disk may be full or read-only.\nFolder: " +
                                   blocker + "/\n" + std::strerror(ENOTDIR));
  // The picture stays on the clipboard, for the user to paste elsewhere, and its
  // number is free for the next capture.
  EXPECT_EQ(state.names.counter(), 37);
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(cycle.counts().failed, 1);
  EXPECT_TRUE(cycle.takingPictures());
  // It no longer counts as offered: it is not taken again by itself.
  EXPECT_FALSE(clipboard.hasPicture());
  tick();
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(cycle.counts().failed, 1);
  // The failed capture ends early: no display update, no launch.
  EXPECT_TRUE(tray.calls.empty());
  options.setText(Option::outputDir, dir);
  capture();
  EXPECT_TRUE(exists("snp38.jpg"));
  EXPECT_EQ(state.names.counter(), 38);
  EXPECT_EQ(clipboard.clears, 1);  // a capture saved leaves the clipboard
  EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(CycleTest, ACaptureThatCouldNotBeWrittenIsNotRetriedAndEveryTypeGivesItsNumberBack) {
  options.setText(Option::outputDir, unusableFolder());
  for (const int type : {kJpeg, kPng, kBitmap, kTiff, kTarga, kPcx, kMetafile, kGif}) {
    options.setValue(Option::outputType, type);
    capture();
    EXPECT_EQ(state.names.counter(), 0) << type;
    EXPECT_TRUE(clipboard.holdsAnything()) << type;
  }
  // Even the streamed JPEG, whose rows arrive while it is written.
  options.setValue(Option::outputType, kJpeg);
  clipboard.rowsArriveSlowly = true;
  capture();
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(cycle.counts().failed, 9);
  EXPECT_EQ(dialogs.errors.size(), 9u);  // one box for each: none was open at the next
}

TEST_F(CycleTest, ExistingFilesAreSkippedPerExtensionAndOverwriteReplacesThem) {
  for (const char* name : {"snp1.jpg", "snp2.jpg", "snp3.jpg"}) std::ofstream(dir + name) << "old";
  std::filesystem::create_directory(dir + "snp1.bmp");
  capture();
  EXPECT_TRUE(exists("snp4.jpg"));
  EXPECT_EQ(state.names.counter(), 4);

  options.setValue(Option::outputType, kBitmap);
  state.names.setCounter(0);
  capture();
  // snp1.bmp is a folder: it holds its number back as a file does (a write would
  // fail on it, capture after capture).
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_TRUE(exists("snp2.bmp"));

  options.setValue(Option::outputType, kJpeg);
  state.names.setCounter(0);
  dialogs.confirmAnswer = true;
  options.setChecked(Option::overwriteFiles, true);
  ASSERT_EQ(dialogs.confirmations.size(), 1u);
  EXPECT_NE(dialogs.confirmations[0].find("\nThis WILL overwrite"), std::string::npos);
  capture();
  EXPECT_GT(std::filesystem::file_size(dir + "snp1.jpg"), 3u);
  // Overwriting, a folder still holds its number back: no file can replace it.
  options.setValue(Option::outputType, kBitmap);
  state.names.setCounter(0);
  capture();
  EXPECT_TRUE(dialogs.errors.empty());
  EXPECT_EQ(lastSaved.path, dir + "snp2.bmp");
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
  EXPECT_EQ(state.names.pathFor(12, ".png"), dir + "snp00012.png");
  options.setChecked(Option::zeroPadNumbers, false);
  EXPECT_EQ(state.names.formatNumber(12), "12");

  options.setText(Option::filePrefix, "a/b:c");
  EXPECT_EQ(options.text(Option::filePrefix), "abc");
  options.setText(Option::filePrefix, "x*y?z\"<>|\\");
  EXPECT_EQ(options.text(Option::filePrefix), "xyz");
  EXPECT_EQ(exampleFileName(options), "xyz1.jpg");

  options.setText(Option::filePrefix, "");
  capture();
  EXPECT_TRUE(exists("1.jpg"));
}

TEST_F(CycleTest, PauseAndResume) {
  cycle.togglePause();
  EXPECT_TRUE(cycle.paused());
  EXPECT_FALSE(cycle.takingPictures());
  EXPECT_TRUE(status.blinkTimer().enabled());
  EXPECT_EQ(status.windowCaption(), "Snaprill - Paused");
  EXPECT_EQ(status.pauseCaption(), "&Resume Snaprill");
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 0/99999 pictures - Paused");
  EXPECT_EQ(status.tray().record.icon, TrayIcon::Paused);

  // The status text blinks.
  status.blinkPausedNotice();
  EXPECT_EQ(status.statusText(), "");
  status.blinkPausedNotice();
  EXPECT_EQ(status.statusText(), "SNAPRILL IS PAUSED");

  // A screenshot taken while paused is discarded on resume.
  clipboard.offerBitmap(testing::samplePicture());
  cycle.togglePause();
  EXPECT_FALSE(cycle.paused());
  EXPECT_FALSE(clipboard.hasPicture());
  EXPECT_EQ(status.statusText(), "0/99999 pictures");
  EXPECT_EQ(status.windowCaption(), "Snaprill");
  EXPECT_EQ(status.tray().record.icon, TrayIcon::Application);

  // With NoClearClpResume it is kept and saved once it is here.
  options.setChecked(Option::keepClipboardOnResume, true);
  cycle.togglePause();
  clipboard.offerBitmap(testing::samplePicture());
  cycle.togglePause();
  EXPECT_TRUE(clipboard.hasPicture());
  tick();
  EXPECT_TRUE(exists("snp1.jpg"));
  // One whose data came during the pause is saved at the resume.
  cycle.togglePause();
  capture();
  EXPECT_TRUE(clipboard.hasPicture());
  cycle.togglePause();
  EXPECT_TRUE(exists("snp2.jpg"));
}

TEST_F(CycleTest, CounterResetAsksFirst) {
  state.names.setCounter(99999);
  capture();
  dialogs.confirmAnswer = false;
  reports.resetCounterIfConfirmed();
  EXPECT_EQ(state.names.counter(), 99999);
  dialogs.confirmAnswer = true;
  reports.resetCounterIfConfirmed();
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_EQ(status.statusText(), "0/99999 pictures");
  // The timers stopped at the limit stay stopped until a pause and a resume.
  EXPECT_FALSE(cycle.takingPictures());
}

TEST_F(CycleTest, TrayTipIsCutWithoutSplittingACharacter) {
  texts.set("Main", "Pictures",
            "%p kuvat \xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4"
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
  status.refresh();
  const std::string tip = status.tray().record.tip();
  EXPECT_LE(tip.size(), 63u);
  EXPECT_EQ(tip.rfind("Snaprill - 0/99999 kuvat ", 0), 0u);
  EXPECT_NE(static_cast<unsigned char>(tip.back()), 0xC3);
  EXPECT_EQ((tip.size() - 25) % 2, 0u);
}

TEST_F(CycleTest, StartupClearsAStaleBitmapUnlessAsked) {
  clipboard.offerBitmap(testing::samplePicture());
  options.setChecked(Option::keepClipboardAtStart, true);
  cycle.start();
  EXPECT_TRUE(clipboard.hasPicture());
  options.setChecked(Option::keepClipboardAtStart, false);
  cycle.start();
  EXPECT_FALSE(clipboard.hasPicture());
}

TEST_F(CycleTest, AStartThatPausedShowsItInTheTray) {
  cycle.togglePause();  // as a load with "Pause Snaprill after starting" does
  cycle.start();
  EXPECT_EQ(status.tray().record.icon, TrayIcon::Paused);
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 0/99999 pictures - Paused");
  cycle.togglePause();
  EXPECT_EQ(status.tray().record.icon, TrayIcon::Application);
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 0/99999 pictures");
}

// Every capture that comes to nothing without a box of its own is told to the
// window, with whether its number is gone.
TEST_F(CycleTest, CapturesLostWithoutABoxAreReported) {
  std::vector<CaptureStatus::LostNotice> losses;
  status.lossNoticed.add([&] { losses.push_back(status.lostNotice()); });

  clipboard.offerBitmap(Bitmap());  // an offer that could not be read
  tick();
  ASSERT_EQ(losses.size(), 1u);
  EXPECT_EQ(losses[0].notice, "A capture was not saved: the picture on the clipboard is damaged.");
  EXPECT_EQ(status.statusText(), losses[0].notice);
  EXPECT_TRUE(dialogs.errors.empty());

  state.names.setCounter(99999);
  capture();
  ASSERT_EQ(losses.size(), 2u);
  EXPECT_EQ(losses[1].notice, "A capture was not saved: every file number up to 99999 is taken.");
  EXPECT_EQ(status.statusText(), losses[1].notice);

  // The disk-full box speaks for itself.
  state.names.setCounter(0);
  cycle.togglePause();
  cycle.togglePause();
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  capture();
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(losses.size(), 2u);

  // A picture too wide for its format is not written either: it stays on the
  // clipboard, and its number is free.
  options.setText(Option::outputDir, dir);
  options.setValue(Option::outputType, kPcx);
  capture(testing::samplePicture(65535, 1));
  ASSERT_EQ(losses.size(), 3u);
  EXPECT_EQ(losses[2].notice, "A capture was not saved: the picture could not be written.");
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_FALSE(clipboard.hasPicture());
  EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(CycleTest, AnExternalProgramThatCannotBeStartedIsToldOncePerSavedCapture) {
  options.setChecked(Option::openInExternalProgram, true);
  options.setText(Option::externalProgram, "no-such-editor");
  launcher.starts = false;
  struct Notices : CaptureObserver {
    void notice(const std::string& text) override { told.push_back(text); }
    std::vector<std::string> told;
  } watcher;
  cycle.addObserver(watcher);
  capture();
  capture();
  const std::vector<std::string> notices = watcher.told;
  // The captures are saved, and emptied from the clipboard, all the same.
  EXPECT_TRUE(exists("snp1.jpg"));
  EXPECT_TRUE(exists("snp2.jpg"));
  EXPECT_FALSE(clipboard.holdsAnything());
  ASSERT_EQ(launcher.launches.size(), 2u);
  const std::string notice =
      "The capture was saved, but the external program \"no-such-editor\" could not be started.";
  EXPECT_EQ(notices, (std::vector<std::string>{notice, notice}));
  EXPECT_EQ(status.statusText(), notice);
  EXPECT_TRUE(dialogs.errors.empty());
  // A program that starts says nothing.
  launcher.starts = true;
  capture();
  EXPECT_EQ(watcher.told.size(), 2u);
  EXPECT_EQ(status.statusText(), "3/99999 pictures");
  cycle.removeObserver(watcher);
}

}  // namespace
}  // namespace snaprill
