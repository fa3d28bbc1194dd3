// The memory a burst of captures leaves behind, on a fake clock: it goes a few
// seconds after the burst's last capture, through one single-shot timer that only
// captures arm, so an idle program has no timer running.
#include <gtest/gtest.h>

#include <fstream>

#include "image/pixel_buffer.h"
#include "support/cycle_on_fakes.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

constexpr int kDelay = CaptureCycle::kMemoryReleaseDelay;

// Counts the ends of bursts the cycle tells of, as the screen grabber hears them.
struct BurstsEnded : CaptureObserver {
  explicit BurstsEnded(CaptureCycle& followed) : cycle(followed) { cycle.addObserver(*this); }
  ~BurstsEnded() override { cycle.removeObserver(*this); }
  void burstEnded() override { ++told; }
  CaptureCycle& cycle;
  int told = 0;
};

class MemoryReleaseTest : public ::testing::Test,
                          private testing::TempDir,
                          protected fake::FakeServices {
 protected:
  MemoryReleaseTest() { options.setText(Option::outputDir, dir); }

  Platform onTimeline() {
    Platform p = makePlatform(testing::dirsIn(dir));
    p.newTimer = [this] { return timeline.newTimer(); };
    return p;
  }
  // Offers a picture large enough for its buffers to be kept; the cycle takes it
  // when its data arrives.
  void captureNow() {
    clipboard.offerBitmap(testing::samplePicture(800, 700));
    clipboard.arrive();
  }
  const std::string dir = path();
  fake::FakeTimeline timeline;
  Platform platform = onTimeline();
  Options options;
  Texts texts;
  SaveState state{options};
  CaptureCycle cycle{options, texts, state, platform};
};

TEST_F(MemoryReleaseTest, BuffersGoOnceTheLastCaptureOfABurstIsTheDelayOld) {
  const BurstsEnded bursts(cycle);
  const int& sourcesTold = bursts.told;
  timeline.advance(5 * kDelay);
  EXPECT_EQ(timeline.enabledTimers(), 0) << "armed before any capture";

  captureNow();
  ASSERT_EQ(state.names.counter(), 1);
  EXPECT_EQ(timeline.enabledTimers(), 1);
  EXPECT_GE(keptPixelBytes(), std::size_t{800 * 700 * 4});

  // A second capture late in the delay starts it again: the burst is not over.
  timeline.advance(kDelay - 100);
  captureNow();
  ASSERT_EQ(state.names.counter(), 2);
  timeline.advance(kDelay - 100);
  EXPECT_EQ(timeline.enabledTimers(), 1);
  EXPECT_GT(keptPixelBytes(), 0u) << "released while the burst went on";
  EXPECT_EQ(sourcesTold, 0);

  timeline.advance(200);
  EXPECT_EQ(timeline.enabledTimers(), 0) << "the release timer runs on while idle";
  EXPECT_EQ(keptPixelBytes(), 0u);
  EXPECT_EQ(sourcesTold, 1) << "the screen grabber keeps its segment";
}

TEST_F(MemoryReleaseTest, ACaptureThatFailsArmsTheReleaseToo) {
  // A file where the folder should be: the picture is read, then cannot be written.
  const std::string blocker = dir + "notafolder";
  { std::ofstream(blocker) << "x"; }
  options.setText(Option::outputDir, blocker + "/");
  captureNow();
  ASSERT_EQ(cycle.counts().failed, 1);
  timeline.advance(kDelay + 10);
  EXPECT_EQ(timeline.enabledTimers(), 0);
  EXPECT_EQ(keptPixelBytes(), 0u);
}

TEST_F(MemoryReleaseTest, APictureLeftWaitingWhilePausedArmsTheReleaseToo) {
  const BurstsEnded bursts(cycle);
  const int& sourcesTold = bursts.told;
  cycle.togglePause();
  captureNow();
  ASSERT_EQ(state.names.counter(), 0);
  EXPECT_EQ(timeline.enabledTimers(), 1);
  timeline.advance(kDelay + 10);
  EXPECT_EQ(sourcesTold, 1) << "a grab made while paused kept its segment";
  EXPECT_EQ(timeline.enabledTimers(), 0);
}

}  // namespace
}  // namespace snaprill
