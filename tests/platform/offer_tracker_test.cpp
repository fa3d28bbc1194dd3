// The offer state every clipboard watcher shares, driven by hand: when a picture
// goes to the cycle, with what origin, and what happens to an offer that failed.
#include "platform/offer_tracker.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "fakes/fakes.h"

namespace snaprill {
namespace {

// A watcher whose picture is whatever the test puts there.
struct ScriptedWatcher : OfferTracker::Watcher {
  TakenPicture takeOffered(ArrivingRows*) override {
    ++takes;
    if (throws) throw std::runtime_error("no memory");
    return {picture};
  }
  void settleTaken(bool gone) override { settled.push_back(gone); }
  void emptyClipboard() override { ++empties; }

  Bitmap picture = Bitmap(3, 2, 32);
  bool throws = false;
  int takes = 0;
  int empties = 0;
  std::vector<bool> settled;
};

// A sink that asks for every picture it hears of and keeps what it is handed.
struct RecordingSink : CaptureSink {
  explicit RecordingSink(PictureSource& from) : source(from) { source.setSink(this); }
  void pictureReady() override {
    ++told;
    while (source.handOver(false)) {
    }
  }
  void submit(Capture capture) override { captures.push_back(std::move(capture)); }
  void offerLost(LostReason why) override { losses.push_back(why); }

  PictureSource& source;
  int told = 0;
  std::vector<Capture> captures;
  std::vector<LostReason> losses;
};

class OfferTrackerTest : public ::testing::Test {
 protected:
  void eventLoop() { later->tick(); }

  fake::FakeClock clock;
  ScriptedWatcher watcher;
  fake::FakeTimer* later = new fake::FakeTimer;
  OfferTracker tracker{watcher, std::unique_ptr<Timer>(later), clock};
  RecordingSink sink{tracker};
};

// Fault caught: the cycle told from inside the watcher's own call (a capture saved
// in the middle of a clipboard change), or one offer handed over twice.
TEST_F(OfferTrackerTest, APictureGoesOnceTheEventLoopComesRoundAndOnlyOnce) {
  ASSERT_TRUE(tracker.follow(true, false));
  tracker.dataArrived();
  tracker.dataArrived();
  EXPECT_EQ(sink.told, 0) << "told from inside the watcher's call";
  eventLoop();
  eventLoop();
  EXPECT_EQ(sink.told, 1);
  ASSERT_EQ(sink.captures.size(), 1u);
  EXPECT_EQ(watcher.takes, 1);
  const Capture& capture = sink.captures[0];
  EXPECT_EQ(capture.picture, watcher.picture);
  EXPECT_EQ(capture.source.origin, CaptureOrigin::Clipboard);
  EXPECT_EQ(capture.source.when, clock.instant());
  EXPECT_FALSE(capture.source.window.known());
  // The cycle's answer reaches the watcher, which empties the offer or leaves it.
  ASSERT_TRUE(capture.settle);
  capture.settle(true);
  EXPECT_EQ(watcher.settled, std::vector<bool>{true});
}

// Fault caught: an offer that failed retried by itself (a loss reported over and
// over), or the next copy ignored because the one before failed.
TEST_F(OfferTrackerTest, AGivenUpOfferStaysGivenUpUntilAnotherComes) {
  struct Case {
    const char* what;
    bool sameOffer;
    bool counts;
  };
  const Case cases[] = {{"the same offer, its type looked at again", true, false},
                        {"another offer", false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tracker.follow(true, false);
    tracker.lost(LostReason::NotSent);
    EXPECT_FALSE(tracker.offered());
    EXPECT_EQ(tracker.follow(true, c.sameOffer), c.counts);
    tracker.dataArrived();
    eventLoop();
    EXPECT_EQ(sink.captures.size(), c.counts ? 1u : 0u);
    sink.captures.clear();
  }
  EXPECT_EQ(sink.losses, (std::vector<LostReason>{LostReason::NotSent, LostReason::NotSent}));
}

// Fault caught: an exception from a decoder unwinding into the event loop, or an
// offer that could not be read emptied from the clipboard or tried again.
TEST_F(OfferTrackerTest, ATakeThatThrowsIsALostCaptureAndTheOfferStays) {
  watcher.throws = true;
  tracker.follow(true, false);
  tracker.dataArrived();
  eventLoop();
  ASSERT_EQ(sink.captures.size(), 1u);
  EXPECT_TRUE(sink.captures[0].picture.empty());
  EXPECT_EQ(sink.captures[0].whyNone, LostReason::Unreadable);
  EXPECT_FALSE(sink.captures[0].settle) << "settled twice";
  EXPECT_EQ(watcher.settled, std::vector<bool>{false});
  EXPECT_EQ(watcher.empties, 0);
  EXPECT_FALSE(tracker.handOver(false));
}

// Fault caught: the program's own picture, back from the clipboard, recorded as
// another program's copy.
TEST_F(OfferTrackerTest, OurOwnOfferKeepsTheOriginItWasGiven) {
  const CaptureSource automation{CaptureOrigin::Automation, clock.instant(), {}};
  tracker.offerOwn(automation);
  eventLoop();
  ASSERT_EQ(sink.captures.size(), 1u);
  EXPECT_EQ(sink.captures[0].source.origin, CaptureOrigin::Automation);
  // Dropping it empties the clipboard and forgets it.
  tracker.offerOwn(automation);
  tracker.drop();
  eventLoop();
  EXPECT_EQ(watcher.empties, 1);
  EXPECT_EQ(sink.captures.size(), 1u);
}

}  // namespace
}  // namespace snaprill
