// The program's own Print Screen pictures on Qt's clipboard (the offscreen
// platform's, in process), as the capture cycle meets them during a burst.
#include <gtest/gtest.h>

#include <vector>

#include "backends/qt/qt_clipboard.h"
#include "support/pictures.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

struct Sink : CaptureSink {
  void pictureReady() override {}
  void submit(Capture capture) override {
    widths.push_back(capture.picture.width());
    if (capture.settle) settles.push_back(std::move(capture.settle));
  }
  void offerLost(LostReason why) override { lost.push_back(why); }
  std::vector<int> widths;
  std::vector<std::function<void(bool)>> settles;
  std::vector<LostReason> lost;
};

// Fault: Print Screen pressed again while the cycle had no room for the picture
// before replaced it without a word.
TEST(OwnOffers, APictureReplacedBeforeItWasTakenIsTold) {
  test::ensureApplication();
  fake::FakeClock clock;
  QtClipboard clipboard(std::make_unique<fake::FakeTimer>(), clock);
  Sink sink;
  clipboard.pictures().setSink(&sink);
  clipboard.offer(testing::samplePicture(8, 4), CaptureSource{});
  clipboard.offer(testing::samplePicture(9, 4), CaptureSource{});
  EXPECT_EQ(sink.lost, std::vector<LostReason>{LostReason::Replaced});
  ASSERT_TRUE(clipboard.pictures().handOver(false));
  EXPECT_EQ(sink.widths, std::vector<int>{9});
  // Taken, not yet saved: the next one replaces nothing that was not handed over.
  clipboard.offer(testing::samplePicture(10, 4), CaptureSource{});
  EXPECT_EQ(sink.lost.size(), 1u);
  ASSERT_TRUE(clipboard.pictures().handOver(false));
  EXPECT_EQ(sink.widths, (std::vector<int>{9, 10}));
  for (const auto& settle : sink.settles) settle(true);
}

}  // namespace
}  // namespace snaprill
