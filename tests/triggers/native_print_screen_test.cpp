// Print Screen played by the program itself: the sequences the hotkeys and the
// automation send take a picture that goes to the capture cycle without touching
// the system's clipboard, which keeps its own offers; where that clipboard serves
// our offers to other programs, "Print Screen copies the screen" puts the picture
// there instead, and the cycle takes it from there, once.
#include "triggers/native_print_screen.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "formats/loader/picture_loader.h"
#include "support/cycle_on_fakes.h"
#include "support/temp_dir.h"
#include "triggers/print_screen_keys.h"

namespace snaprill {
namespace {

// Answers at once, as the compositor's protocols do, or (`answerLater`) when the
// test says, as a portal does.
class FakeScreenGrabber : public ScreenGrabber {
 public:
  void grab(const GrabRequest& request, GrabDone done) override {
    if (request.activeWindow) {
      ++windowGrabs;
    } else {
      cursorAsked.push_back(request.withCursor);
    }
    TakenPicture taken{request.activeWindow ? window : screen, refusal};
    if (answerLater) {
      waiting.push_back([done, taken] { done(taken); });
      return;
    }
    done(std::move(taken));
  }
  bool showsCursor() const override { return true; }
  std::chrono::milliseconds longestAnswer() const override { return std::chrono::seconds(1); }

  Bitmap screen = testing::samplePicture(80, 50);
  Bitmap window = testing::samplePicture(30, 20);
  LostReason refusal = LostReason::ScreenUnreadable;
  std::vector<bool> cursorAsked;
  int windowGrabs = 0;
  bool answerLater = false;
  std::vector<std::function<void()>> waiting;
};

template <bool ClipboardServesOthers>
class NativePrintScreenFixture : public ::testing::Test,
                                 private testing::TempDir,
                                 protected fake::FakeServices {
 protected:
  NativePrintScreenFixture() {
    options.setText(Option::outputDir, path());
    cycle.addObserver(saved);
    cycle.addSource(pictures.pictures());
  }
  ~NativePrintScreenFixture() override {
    cycle.removeSource(pictures.pictures());
    cycle.removeObserver(saved);
  }

  // The event loop comes round: the cycle hears of the pictures taken meanwhile.
  void eventLoop() { later->tick(); }
  Bitmap savedPicture(std::size_t index) const {
    return loadPictureFile(saved.files.at(index)).convertedTo(32);
  }
  // Each way in, one after the other: its capture is saved with its own origin.
  void expectEachWayInSavedWithItsOrigin() {
    struct WayIn {
      const char* what;
      std::function<void()> press;
      CaptureOrigin origin;
    };
    const WayIn ways[] = {
        {"Print Screen", [&] { sendPrintScreen(keyboard, printScreen); }, CaptureOrigin::ScreenKey},
        {"Alt+Print Screen", [&] { sendAltPrintScreen(keyboard, printScreen); },
         CaptureOrigin::WindowKey},
        {"the automation", [&] { sendPrintScreen(keyboard, printScreen.automation()); },
         CaptureOrigin::Automation},
        {"a --capture request",
         [&] {
           printScreen.handOn(TakenPicture{testing::samplePicture(5, 5)},
                              {CaptureOrigin::Command, clock.instant(), {}});
         },
         CaptureOrigin::Command},
    };
    for (const WayIn& way : ways) {
      SCOPED_TRACE(way.what);
      const std::size_t before = saved.files.size();
      way.press();
      eventLoop();
      clipboard.arrive();
      ASSERT_EQ(saved.files.size(), before + 1);
      EXPECT_EQ(saved.source.origin, way.origin);
      EXPECT_EQ(saved.source.when, clock.instant());
    }
  }

  fake::FakeTimer* later = new fake::FakeTimer;
  OwnPictures pictures{std::unique_ptr<Timer>(later), clock};
  Platform platform{
      clipboard, dialogs, tray, clock, launcher, fake::newFakeTimer, testing::dirsIn(path())};
  Options options;
  Texts texts;
  SaveState state{options};
  CaptureCycle cycle{options, texts, state, platform};
  testing::LastSaved saved;
  FakeScreenGrabber screen;
  fake::FakeKeyboard keyboard;
  NativePrintScreen printScreen{
      options, clock,
      NativePrintScreen::Ways{screen, pictures, ClipboardServesOthers ? &clipboard : nullptr}};
};

// GNOME's clipboard, which a program in the background may not set.
using NativePrintScreenTest = NativePrintScreenFixture<false>;
// The compositor's own clipboard, through data control.
using ServingClipboardTest = NativePrintScreenFixture<true>;

TEST_F(NativePrintScreenTest, EachSequenceSavesItsPictureOnceTheEventLoopComesRound) {
  options.setValue(Option::outputType, 1);  // PNG: pixels compared exactly
  struct Case {
    const char* what;
    bool altHeld;
    bool cursorOption;
  };
  const Case cases[] = {{"Print Screen", false, false},
                        {"Print Screen, cursor wanted", false, true},
                        {"Alt+Print Screen", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    options.setChecked(Option::addCursor, c.cursorOption);
    const std::size_t before = saved.files.size();
    if (c.altHeld) {
      sendAltPrintScreen(keyboard, printScreen);
    } else {
      sendPrintScreen(keyboard, printScreen);
    }
    EXPECT_EQ(saved.files.size(), before) << "saved from inside the key press";
    eventLoop();
    ASSERT_EQ(saved.files.size(), before + 1);
    EXPECT_EQ(savedPicture(before), c.altHeld ? screen.window : screen.screen);
    if (!c.altHeld) {
      EXPECT_EQ(screen.cursorAsked.back(), c.cursorOption);
    }
  }
  EXPECT_EQ(screen.windowGrabs, 1);
  EXPECT_EQ(clipboard.clears, 0) << "the system's clipboard was emptied";
}

TEST_F(NativePrintScreenTest, OursGoFirstAndTheClipboardsOfferIsStillSavedAndEmptied) {
  clipboard.offerBitmap(testing::samplePicture(7, 5));
  sendPrintScreen(keyboard, printScreen);
  clipboard.arrive();  // the clipboard's data came meanwhile
  ASSERT_EQ(saved.files.size(), 2u);
  EXPECT_EQ(savedPicture(0).width(), 80);
  EXPECT_EQ(savedPicture(1).width(), 7);
  EXPECT_EQ(clipboard.clears, 1);
  eventLoop();
  EXPECT_EQ(saved.files.size(), 2u) << "a picture was saved twice";
}

TEST_F(NativePrintScreenTest, NoPictureNoFileANewerOneReplacesAWaitingOneAPausedOneGoes) {
  screen.screen = Bitmap();
  sendPrintScreen(keyboard, printScreen);
  eventLoop();
  EXPECT_TRUE(saved.files.empty());
  EXPECT_FALSE(pictures.pictures().holdsPicture());

  // Two pictures before the event loop comes round (as while an animation is
  // written): the newer takes the place of the one waiting, reported lost.
  const int lostBefore = cycle.counts().lost;
  screen.screen = testing::samplePicture(9, 9);
  sendPrintScreen(keyboard, printScreen);
  screen.screen = testing::samplePicture(11, 11);
  sendPrintScreen(keyboard, printScreen);
  EXPECT_EQ(cycle.counts().lost, lostBefore + 1);
  eventLoop();
  ASSERT_EQ(saved.files.size(), 1u);
  EXPECT_EQ(savedPicture(0).width(), 11);

  // Taken while paused, it waits; a resume that empties the clipboard drops it.
  screen.screen = testing::samplePicture(8, 8);
  cycle.togglePause();
  sendPrintScreen(keyboard, printScreen);
  eventLoop();
  EXPECT_EQ(saved.files.size(), 1u);
  cycle.togglePause();
  eventLoop();
  EXPECT_EQ(saved.files.size(), 1u);
  EXPECT_FALSE(pictures.pictures().holdsPicture());
}

// Faults: a picture the desktop would not give vanished without a word, whatever
// the reason (a refusal, a question left open, no way at all); and waiting for a
// picture held the window in a loop of its own meanwhile.
TEST_F(NativePrintScreenTest, APictureNotGivenIsLostWithItsOwnReasonAndALateOneIsSavedWhenItComes) {
  struct LostReasons : CaptureObserver {
    void captureLost(const LostCapture& lost) override { reasons.push_back(lost.reason); }
    std::vector<LostReason> reasons;
  } lost;
  cycle.addObserver(lost);
  const LostReason cases[] = {
      LostReason::ScreenNotOffered, LostReason::ScreenRefused,    LostReason::ScreenCancelled,
      LostReason::ScreenTimedOut,   LostReason::ScreenUnreadable, LostReason::ScreenBusy,
  };
  screen.screen = Bitmap();
  std::set<std::string> said;
  for (const LostReason reason : cases) {
    screen.refusal = reason;
    sendPrintScreen(keyboard, printScreen);
    eventLoop();
    ASSERT_FALSE(lost.reasons.empty());
    EXPECT_EQ(lost.reasons.back(), reason);
    said.insert(texts.get("Main", lostReasonKey(reason)));
  }
  EXPECT_EQ(said.size(), std::size(cases)) << "two reasons say the same";
  EXPECT_TRUE(saved.files.empty());

  // The desktop asks the user first: nothing is saved, and nothing waits, until it
  // answers.
  screen.screen = testing::samplePicture(12, 12);
  screen.answerLater = true;
  sendPrintScreen(keyboard, printScreen);
  eventLoop();
  EXPECT_TRUE(saved.files.empty());
  ASSERT_EQ(screen.waiting.size(), 1u);
  screen.waiting.front()();
  eventLoop();
  ASSERT_EQ(saved.files.size(), 1u);
  EXPECT_EQ(savedPicture(0).width(), 12);
  cycle.removeObserver(lost);
}

TEST_F(NativePrintScreenTest, TheOptionOnAClipboardThatServesNoOneStillSavesOnceDirectly) {
  options.setChecked(Option::printKeyCopiesScreen, true);
  sendPrintScreen(keyboard, printScreen);
  EXPECT_EQ(clipboard.ownOffers, 0);
  eventLoop();
  clipboard.arrive();
  EXPECT_EQ(saved.files.size(), 1u);
}

TEST_F(ServingClipboardTest, TheOptionOffersThePictureThereAndItIsSavedOnceThenEmptied) {
  options.setValue(Option::outputType, 1);
  options.setChecked(Option::printKeyCopiesScreen, true);
  sendPrintScreen(keyboard, printScreen);
  EXPECT_EQ(clipboard.ownOffers, 1);
  eventLoop();
  EXPECT_TRUE(saved.files.empty()) << "taken before the clipboard told of it";
  clipboard.arrive();
  ASSERT_EQ(saved.files.size(), 1u);
  EXPECT_EQ(savedPicture(0), screen.screen);
  EXPECT_EQ(clipboard.clears, 1);
  eventLoop();
  clipboard.arrive();
  EXPECT_EQ(saved.files.size(), 1u) << "one press saved twice";

  // A --capture request goes the same way; paused, the picture stays offered.
  cycle.togglePause();
  printScreen.handOn(TakenPicture{testing::samplePicture(9, 9)}, {CaptureOrigin::Command, {}, {}});
  eventLoop();
  clipboard.arrive();
  EXPECT_EQ(clipboard.ownOffers, 2);
  EXPECT_TRUE(clipboard.hasPicture());
  EXPECT_EQ(saved.files.size(), 1u);
}

TEST_F(ServingClipboardTest, WithTheOptionOffThePictureGoesDirectlyAndTheClipboardIsLeftAlone) {
  options.setChecked(Option::printKeyCopiesScreen, false);
  clipboard.offerText("the user's words");
  sendAltPrintScreen(keyboard, printScreen);
  eventLoop();
  ASSERT_EQ(saved.files.size(), 1u);
  EXPECT_EQ(clipboard.ownOffers, 0);
  EXPECT_TRUE(clipboard.hasText());
  EXPECT_EQ(clipboard.clears, 0);
}

// Fault caught: a capture recorded with another origin than the key, timer or
// command that asked for it, whichever way its picture takes to the cycle.
TEST_F(NativePrintScreenTest, EveryWayInIsSavedWithItsOriginStraightToTheCycle) {
  expectEachWayInSavedWithItsOrigin();
  EXPECT_EQ(clipboard.ownOffers, 0);
}

TEST_F(ServingClipboardTest, EveryWayInIsSavedWithItsOriginThroughTheClipboard) {
  options.setChecked(Option::printKeyCopiesScreen, true);
  expectEachWayInSavedWithItsOrigin();
  EXPECT_EQ(clipboard.ownOffers, 4);
}

// Fault caught (X11): a Print Screen sent to the system grabbed here as well (two
// captures of one press), its picture credited to the screen key when the
// automation sent it, or keys sent while the user left Print Screen to others.
TEST_F(ServingClipboardTest, KeysSentToTheSystemAreAnsweredThereWithTheSendersOrigin) {
  fake::FakeKeyInjector system;
  NativePrintScreen x11{options, clock,
                        NativePrintScreen::Ways{screen, pictures, &clipboard, &system}};
  options.setChecked(Option::printKeyCopiesScreen, true);
  sendPrintScreen(keyboard, x11.automation());
  EXPECT_EQ(system.sent.size(), 2u);
  EXPECT_EQ(clipboard.ownOffers, 0) << "grabbed besides the system's Print Screen";
  const CaptureOrigin expected[] = {CaptureOrigin::Automation, CaptureOrigin::ScreenKey};
  for (const CaptureOrigin origin : expected) {
    x11.answerPress(false);  // the stand-in sees Print Screen: ours, then the user's
    clipboard.arrive();
    EXPECT_EQ(saved.source.origin, origin);
  }
  EXPECT_EQ(saved.files.size(), 2u);

  options.setChecked(Option::printKeyCopiesScreen, false);
  sendAltPrintScreen(keyboard, x11);
  EXPECT_EQ(system.sent.size(), 2u) << "keys sent with the option off";
  eventLoop();
  ASSERT_EQ(saved.files.size(), 3u);
  EXPECT_EQ(saved.source.origin, CaptureOrigin::WindowKey);
}

}  // namespace
}  // namespace snaprill
