// Pictures through ext-image-copy-capture, against a compositor of the tests' own
// (tests/tools/fake_capture_compositor.h): every output copied, turned upright and
// put in its place, a window's area from the outputs it meets, the cursor option, a
// monitor unplugged during the picture, a readable format found among others; a
// frame retried once when the constraints change under it; a session we cannot use
// makes way for wlr-screencopy, which is asked only after.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>

#include <wayland-client-protocol.h>

#include "backends/wayland/output_grabber.h"
#include "backends/wayland/wayland_screen_grabber.h"
#include "support/event_loop.h"
#include "tools/fake_capture_compositor.h"

namespace snaprill {
namespace {

using Copier = OutputGrabber::Copier;

// The pixels of `picture` in the rectangle that differ from `expected`.
int mismatches(const Bitmap& picture, const Rect& area,
               const std::function<Rgb(int, int)>& expected) {
  int wrong = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const Rgb want = expected(x - area.left, y - area.top);
      const Rgb got = picture.pixel(x, y);
      if (got.r != want.r || got.g != want.g || got.b != want.b) ++wrong;
    }
  }
  return wrong;
}

Rgb rgb(int r, int g, int b) {
  return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b)};
}

// An upright output of 40x30 at the origin and, right of it, one turned a quarter:
// its buffer is 20x50, the desktop there 50x20.
FakeCaptureSettings twoOutputs() {
  FakeCaptureSettings settings;
  settings.outputs = {{0, 0, 40, 30, WL_OUTPUT_TRANSFORM_NORMAL, 1},
                      {40, 0, 20, 50, WL_OUTPUT_TRANSFORM_90, 1}};
  return settings;
}

// What the user sees of the turned output at (x, y): the buffer turned back
// clockwise, as output_picture_test.cpp spells out.
Rgb turnedOutput(int x, int y) {
  return rgb(kImageCopyMark + 1, 49 - x, y);
}

TEST(ImageCopyCapture, ComposesEveryOutputUprightAndCutsAWindowsArea) {
  FakeCaptureCompositor compositor(twoOutputs());
  const auto grabber = OutputGrabber::connect();
  ASSERT_NE(grabber, nullptr);
  ASSERT_TRUE(grabber->offers(Copier::imageCopy));
  EXPECT_FALSE(grabber->offers(Copier::screencopy));

  const Bitmap screen = grabber->grabScreen(Copier::imageCopy, false);
  ASSERT_EQ(screen.width(), 90);
  ASSERT_EQ(screen.height(), 30);
  EXPECT_EQ(
      mismatches(screen, {0, 0, 40, 30}, [](int x, int y) { return rgb(kImageCopyMark, y, x); }),
      0);
  EXPECT_EQ(mismatches(screen, {40, 0, 90, 20}, &turnedOutput), 0);
  EXPECT_EQ(mismatches(screen, {40, 20, 90, 30}, [](int, int) { return rgb(0, 0, 0); }), 0);
  EXPECT_EQ(compositor.sessions(), 2);
  EXPECT_EQ(compositor.lastOptions(), 0u);

  // A window on the turned output alone.
  const Bitmap window = grabber->grabArea(Copier::imageCopy, {45, 5, 55, 15}, false);
  ASSERT_EQ(window.width(), 10);
  ASSERT_EQ(window.height(), 10);
  EXPECT_EQ(
      mismatches(window, {0, 0, 10, 10}, [](int x, int y) { return turnedOutput(x + 5, y + 5); }),
      0);

  // "Add Mouse Cursor" asks the compositor to paint it.
  EXPECT_FALSE(grabber->grabScreen(Copier::imageCopy, true).empty());
  EXPECT_EQ(compositor.lastOptions(), 1u);
}

TEST(ImageCopyCapture, AMonitorUnpluggedWhileAnotherIsCopiedIsLeftOut) {
  // Three outputs side by side; the third goes while the first is copied.
  FakeCaptureSettings settings;
  settings.outputs = {{0, 0, 10, 8, WL_OUTPUT_TRANSFORM_NORMAL, 1},
                      {10, 0, 10, 8, WL_OUTPUT_TRANSFORM_NORMAL, 1},
                      {20, 0, 10, 8, WL_OUTPUT_TRANSFORM_NORMAL, 1}};
  settings.unplugLastOutputAtFirstCapture = true;
  FakeCaptureCompositor compositor(settings);
  const auto grabber = OutputGrabber::connect();
  ASSERT_NE(grabber, nullptr);
  const Bitmap screen = grabber->grabScreen(Copier::imageCopy, false);
  EXPECT_EQ(compositor.sessions(), 2) << "the unplugged output was still asked for";
  ASSERT_EQ(screen.width(), 20);
  ASSERT_EQ(screen.height(), 8);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(mismatches(screen, {10 * i, 0, 10 * i + 10, 8},
                         [i](int x, int y) { return rgb(kImageCopyMark + i, y, x); }),
              0)
        << "output " << i;
  }
}

TEST(ImageCopyCapture, TakesAReadableFormatWhereverTheSessionListsIt) {
  FakeCaptureSettings settings;
  settings.outputs = {{0, 0, 7, 3, WL_OUTPUT_TRANSFORM_NORMAL, 1}};
  settings.formats = {WL_SHM_FORMAT_RGB565, WL_SHM_FORMAT_XBGR8888};
  FakeCaptureCompositor compositor(settings);
  const auto grabber = OutputGrabber::connect();
  ASSERT_NE(grabber, nullptr);
  const Bitmap screen = grabber->grabScreen(Copier::imageCopy, false);
  ASSERT_EQ(screen.width(), 7);
  // Red first in memory: the first byte is red.
  EXPECT_EQ(
      mismatches(screen, {0, 0, 7, 3}, [](int x, int y) { return rgb(x, y, kImageCopyMark); }), 0);
}

// The whole screen through the Wayland grabber, once its answer came.
TakenPicture grabbed(WaylandScreenGrabber& grabber) {
  std::optional<TakenPicture> taken;
  grabber.grab({}, [&taken](TakenPicture t) { taken = std::move(t); });
  test::runEventsUntil([&taken] { return taken.has_value(); }, 10000);
  return taken.value_or(TakenPicture{Bitmap(), LostReason::ScreenTimedOut});
}

// The Wayland grabber on a compositor with both protocols, whose image-copy
// sessions are spoilt as `spoil` says: the marks of two pictures in a row, and
// whether the second asked image-copy again.
struct Answer {
  int mark = -1;
  int markAgain = -1;
  bool imageCopyAskedAgain = false;
};
Answer answerWith(const std::function<void(FakeCaptureSettings&)>& spoil) {
  // No session bus: neither KWin nor the portal is asked.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  FakeCaptureSettings settings;
  settings.outputs = {{0, 0, 8, 6, WL_OUTPUT_TRANSFORM_NORMAL, 1}};
  settings.screencopy = true;
  spoil(settings);
  FakeCaptureCompositor compositor(settings);
  WaylandScreenGrabber grabber;
  Answer answer;
  const TakenPicture screen = grabbed(grabber);
  if (!screen.picture.empty()) answer.mark = screen.picture.pixel(0, 0).r;
  const int sessions = compositor.sessions();
  const TakenPicture again = grabbed(grabber);
  if (!again.picture.empty()) answer.markAgain = again.picture.pixel(0, 0).r;
  answer.imageCopyAskedAgain = compositor.sessions() > sessions;
  return answer;
}

TEST(ImageCopyCapture, IsAskedBeforeScreencopyAndMakesWayWhenItCannotAnswer) {
  using Way = WaylandScreenGrabber::Way;
  struct Case {
    std::function<void(FakeCaptureSettings&)> spoil;
    Way way;
  };
  const Case cases[] = {
      {[](FakeCaptureSettings&) {}, Way::imageCopy},
      // Constraints that change under the first frame: the second, to the new ones,
      // answers.
      {[](FakeCaptureSettings& s) { s.framesRefusedForNewConstraints = 1; }, Way::imageCopy},
      // A compositor of screencopy alone (sway 1.7) keeps it.
      {[](FakeCaptureSettings& s) { s.imageCopy = false; }, Way::screencopy},
      // Sessions we cannot use make way for screencopy.
      {[](FakeCaptureSettings& s) { s.formats = {WL_SHM_FORMAT_RGB565}; }, Way::screencopy},
      {[](FakeCaptureSettings& s) { s.formats = {}; }, Way::screencopy},
      {[](FakeCaptureSettings& s) { s.failFrames = true; }, Way::screencopy},
      {[](FakeCaptureSettings& s) { s.stopSessions = true; }, Way::screencopy},
      // Constraints that keep changing: given up after the second frame.
      {[](FakeCaptureSettings& s) { s.framesRefusedForNewConstraints = 2; }, Way::screencopy},
      // Sizes no buffer could hold (a row beyond an int in bytes, a picture beyond
      // a bitmap), and one the compositor then refuses.
      {[](FakeCaptureSettings& s) { s.announcedWidth = s.announcedHeight = 100000; },
       Way::screencopy},
      {[](FakeCaptureSettings& s) { s.announcedWidth = 0xffffffff; }, Way::screencopy},
      {[](FakeCaptureSettings& s) { s.announcedWidth = s.announcedHeight = 5; }, Way::screencopy},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Answer answer = answerWith(cases[i].spoil);
    const int mark = cases[i].way == Way::imageCopy ? kImageCopyMark : kScreencopyMark;
    EXPECT_EQ(answer.mark, mark) << "case " << i;
    // The way that answered is remembered: asked first, it answers again, and a way
    // that made way for it is not asked again.
    EXPECT_EQ(answer.markAgain, mark) << "case " << i;
    EXPECT_EQ(answer.imageCopyAskedAgain, cases[i].way == Way::imageCopy) << "case " << i;
  }
}

TEST(ImageCopyCapture, ALayoutTooLargeForABitmapFailsEveryTimeNotJustOnce) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
  FakeCaptureSettings settings;
  // Two outputs so far apart that the picture of both would pass 2 GiB.
  settings.outputs = {{0, 0, 8, 6, WL_OUTPUT_TRANSFORM_NORMAL, 1},
                      {30000, 30000, 8, 6, WL_OUTPUT_TRANSFORM_NORMAL, 1}};
  FakeCaptureCompositor compositor(settings);
  WaylandScreenGrabber grabber;
  for (int time = 0; time < 2; ++time) {
    const TakenPicture taken = grabbed(grabber);
    EXPECT_TRUE(taken.picture.empty());
    EXPECT_EQ(taken.lost, LostReason::ScreenUnreadable) << "time " << time;
  }
}

TEST(ImageCopyCapture, AFrameNeverAnsweredIsGivenUpAndTheConnectionStillServes) {
  FakeCaptureSettings settings;
  settings.outputs = {{0, 0, 8, 6, WL_OUTPUT_TRANSFORM_NORMAL, 1}};
  settings.screencopy = true;
  settings.silentFrames = true;
  FakeCaptureCompositor compositor(settings);
  const auto grabber = OutputGrabber::connect(std::chrono::milliseconds(300));
  ASSERT_TRUE(grabber);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(grabber->grabScreen(Copier::imageCopy, false).empty());
  // Not the program's window frozen until the compositor answers: given up in time.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  const Bitmap screen = grabber->grabScreen(Copier::screencopy, false);
  ASSERT_EQ(screen.width(), 8);
  EXPECT_EQ(screen.pixel(0, 0).r, kScreencopyMark);
}

}  // namespace
}  // namespace snaprill
