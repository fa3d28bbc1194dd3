// The capture cycle with its writes on the background thread, which the test runs
// when it chooses (FakeBackgroundWork::runNext): what the window's thread does
// meanwhile, and in which order files, numbers and reports come.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/loader/picture_loader.h"
#include "platform/own_pictures.h"
#include "support/cycle_fixture.h"
#include "support/files.h"

namespace snaprill {
namespace {

// What the observers hear, in order.
struct Recorder : CaptureObserver {
  void captureTaken() override { log.push_back("taken"); }
  void captureEnded(const SaveOutcome& outcome, const CaptureSource& source) override {
    log.push_back("ended " + std::filesystem::path(outcome.path).filename().string() +
                  (source.request != 0 ? " for " + std::to_string(source.request) : ""));
  }
  void captureLost(const LostCapture& lost) override {
    log.push_back(std::string("lost ") + lostReasonKey(lost.reason));
  }
  std::vector<std::string> log;
};

class BackgroundWrites : public testing::CycleTest {
 protected:
  BackgroundWrites() {
    platform.background = &background;
    options.setValue(Option::outputType, kBitmap);
    cycle.addSource(own.pictures());
    cycle.addObserver(recorder);
  }
  ~BackgroundWrites() override {
    cycle.removeObserver(recorder);
    cycle.removeSource(own.pictures());
  }

  // The program's own picture, told to the cycle as the event loop comes round; that
  // of a snaprill --capture when `request` is given.
  void press(int width, std::uint64_t request = 0) {
    own.hold(
        testing::samplePicture(width, 4),
        CaptureSource{
            request != 0 ? CaptureOrigin::Command : CaptureOrigin::Clipboard, {}, {}, request});
    ownLater->tick();
  }
  // The width of a Windows bitmap written, 0 when there is none: which capture it is.
  int widthOf(const std::string& name) const {
    const std::vector<std::uint8_t> b = testing::readBytes(dir + name);
    return b.size() < 22 ? 0 : b[18] | b[19] << 8;
  }

  fake::FakeTimer* ownLater = new fake::FakeTimer;
  OwnPictures own{std::unique_ptr<Timer>(ownLater), clock};
  Recorder recorder;
};

// Faults: the window's thread waits for the write; captures written out of order;
// a third picture that does not pack taken while two are held (memory without
// bound); reports out of
// the order of the captures; a command told its capture ended before its file was
// written, or told another capture's outcome.
TEST_F(BackgroundWrites, TwoPicturesAreHeldAThirdWaitsInItsSourceAndAllComeInOrder) {
  press(11);
  ASSERT_TRUE(background.busy()) << "the first is written in the background";
  EXPECT_EQ(widthOf("snp1.bmp"), 0);
  press(12, 7);
  press(13);     // both places taken: it waits with its source...
  press(14, 8);  // ...where a newer one takes its place, and says so
  EXPECT_EQ(background.started, 1);
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"taken", "taken", "lost LostReplaced"}));
  background.runNext();
  EXPECT_EQ(widthOf("snp1.bmp"), 11);
  // The one waiting was begun, and the one in the source taken in its place.
  EXPECT_EQ(recorder.log.back(), "taken");
  EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), "ended snp2.bmp for 7"), 0);
  background.runNext();
  background.runNext();
  EXPECT_FALSE(background.busy());
  EXPECT_EQ(widthOf("snp2.bmp"), 12);
  EXPECT_EQ(widthOf("snp3.bmp"), 14);
  EXPECT_EQ(recorder.log,
            (std::vector<std::string>{"taken", "taken", "lost LostReplaced", "ended snp1.bmp",
                                      "taken", "ended snp2.bmp for 7", "ended snp3.bmp for 8"}));

  // A capture that came to nothing is told after the one being written.
  recorder.log.clear();
  press(15);
  clipboard.offerDamagedBitmap();
  tick();
  background.runNext();
  EXPECT_EQ(recorder.log, (std::vector<std::string>{"taken", "taken", "ended snp4.bmp",
                                                    "lost LostDamaged", "ended "}));
}

// Faults: a burst of screenshots that outruns the encoder loses all but two (a third
// waits in its source, where the next replaces it), or is held without a bound on
// its memory; a picture held packed comes back changed, or in another capture's
// place.
TEST_F(BackgroundWrites, ScreenshotsWaitPackedSoABurstIsTakenWhole) {
  std::vector<Bitmap> shots;
  for (int k = 0; k < 5; ++k) shots.push_back(testing::screenshotLike(300 + k, 200, k + 1));
  for (const Bitmap& shot : shots) {
    own.hold(shot, CaptureSource{});
    ownLater->tick();
  }
  EXPECT_EQ(recorder.log, std::vector<std::string>(5, "taken"));
  // Only while they fit in the memory of the picture being written.
  for (int k = 0; k < 40; ++k) {
    own.hold(testing::screenshotLike(300, 200, k + 9), CaptureSource{});
    ownLater->tick();
  }
  EXPECT_GE(std::count(recorder.log.begin(), recorder.log.end(), "lost LostReplaced"), 20)
      << "forty-five screenshots held while one is written";
  while (background.busy()) background.runNext();
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(loadPictureFile(dir + "snp" + std::to_string(k + 1) + ".bmp"), shots[k]) << k;
  }
}

// Faults: a number taken before the write before it failed leaves a gap (the next
// capture should have had it); a failed write sets back a counter the user reset
// meanwhile.
TEST_F(BackgroundWrites, AFailedWriteGivesItsNumberToTheNextCaptureUnlessTheCounterWasReset) {
  // Too wide for JPEG: its write fails in the background.
  options.setValue(Option::outputType, kJpeg);
  own.hold(Bitmap(70000, 1, 32), CaptureSource{});
  ownLater->tick();
  options.setValue(Option::outputType, kBitmap);
  press(12);  // taken while the JPEG is written, with its own settings
  EXPECT_EQ(state.names.counter(), 1);
  background.runNext();
  background.runNext();
  EXPECT_EQ(widthOf("snp1.bmp"), 12);
  EXPECT_FALSE(std::filesystem::exists(dir + "snp1.jpg"));
  EXPECT_EQ(state.names.counter(), 1);
  EXPECT_EQ(cycle.counts().failed, 1);

  options.setValue(Option::outputType, kJpeg);
  own.hold(Bitmap(70000, 1, 32), CaptureSource{});
  ownLater->tick();
  EXPECT_EQ(state.names.counter(), 2);
  cycle.resetCounter();
  background.runNext();
  EXPECT_EQ(state.names.counter(), 0);
}

// Fault: the first capture, saved, empties the clipboard of the offer taken after it
// (the note of the offer taken last is the second's): when the second's write then
// fails, its picture is gone from the clipboard too.
TEST_F(BackgroundWrites, ACaptureSettlesOnlyItsOwnOfferNotOneTakenSince) {
  clipboard.offerBitmap(testing::samplePicture(11, 4));
  tick();
  options.setValue(Option::outputType, kJpeg);
  clipboard.offerBitmap(Bitmap(70000, 1, 32));  // too wide for JPEG: its write fails
  tick();
  EXPECT_EQ(background.started, 1);
  background.runNext();
  EXPECT_EQ(widthOf("snp1.bmp"), 11);
  EXPECT_EQ(clipboard.clears, 0) << "the second capture's offer was emptied before its write";
  background.runNext();
  EXPECT_EQ(cycle.counts().failed, 1);
  EXPECT_TRUE(clipboard.holdsAnything()) << "the picture not saved is gone from the clipboard";
}

// Faults: the close ends the program with a capture half written or its waiting
// frames lost, takes new pictures meanwhile, or says nothing of the wait (the
// window is gone at once, and the tray icon shows only with a hidden one).
TEST_F(BackgroundWrites, TheCloseWaitsForTheWritesThenWritesTheWaitingFrames) {
  options.setValue(Option::outputType, kGif);
  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::animationFrameCount, 3);
  press(10);
  background.runNext();
  press(10);  // its frame is being made
  bool closed = false;
  cycle.close([&] { closed = true; });
  status.closing();
  EXPECT_FALSE(closed);
  EXPECT_EQ(status.statusText(), "Saving captures...");
  EXPECT_TRUE(status.tray().present());
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - Saving captures...");
  press(10);
  EXPECT_EQ(background.started, 2) << "no picture is taken any more";
  background.runNext();
  EXPECT_FALSE(closed);
  EXPECT_EQ(status.statusText(), "Saving captures...");
  background.runNext();  // the two frames, as the animation they were gathered for
  EXPECT_TRUE(closed);
  EXPECT_EQ(std::filesystem::directory_iterator(dir)->path().filename(), "snp1.gif");
  status.closing();
  EXPECT_EQ(status.statusText(), "Saving settings...");
  EXPECT_FALSE(status.tray().present());
}

// Fault: a program ending on a second signal, its event loop over, loses the
// captures taken.
TEST_F(BackgroundWrites, FinishingNowWritesEverythingTakenOnThisThread) {
  press(11);
  press(12);
  cycle.finishWrites();
  EXPECT_FALSE(background.busy());
  EXPECT_EQ(widthOf("snp1.bmp"), 11);
  EXPECT_EQ(widthOf("snp2.bmp"), 12);
}

}  // namespace
}  // namespace snaprill
