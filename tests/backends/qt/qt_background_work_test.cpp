// The thread captures are written on: the window's thread never waits for the work,
// and hears of it, once each, in order, on its own thread.
#include "backends/qt/qt_background_work.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "formats/modern_types.h"
#include "support/cycle_on_fakes.h"
#include "support/event_loop.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

class BackgroundWork : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::coreApplication(); }
};

// Faults: the window's thread waits for the encoder; `done` runs on the worker (a
// report from the wrong thread), before the work ended, twice, or out of order.
TEST_F(BackgroundWork, StartReturnsAtOnceAndDoneComesOnTheWindowsThreadInOrder) {
  QtBackgroundWork background;
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> workEnded{false};
  std::string log;
  const std::thread::id windowThread = std::this_thread::get_id();
  bool onWindowThread = true;
  const auto told = [&](char piece) {
    onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
    log += piece;
  };
  // One piece at a time, as the cycle gives them: the next from the `done` before.
  background.start(
      [&] {
        released.wait();  // a long encode
        workEnded = true;
      },
      [&] {
        told('a');
        background.start([] {}, [&] { told('b'); });
      });
  // Back at once, the work still blocked; nothing told, however long the loop runs.
  QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(log, "");
  release.set_value();
  EXPECT_TRUE(test::runEventsUntil([&] { return log == "ab"; }, 5000)) << log;
  EXPECT_TRUE(workEnded);
  EXPECT_TRUE(onWindowThread);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(log, "ab") << "each done once";
}

// Faults: the end of the program loses the write under way, leaves half a file, or
// tells its `done` twice (once now, once when a later event loop runs).
TEST_F(BackgroundWork, FinishNowWaitsForTheWorkAndTellsItOnce) {
  QtBackgroundWork background;
  std::atomic<bool> written{false};
  int told = 0;
  background.start(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        written = true;
      },
      [&] { ++told; });
  background.finishNow();
  EXPECT_TRUE(written);
  EXPECT_EQ(told, 1);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(told, 1);
  background.finishNow();  // nothing under way: returns
  EXPECT_EQ(told, 1);

  // Gone before the event loop ran: the work given is still done.
  std::atomic<bool> last{false};
  {
    QtBackgroundWork ending;
    ending.start(
        [&] {
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          last = true;
        },
        [] {});
  }
  EXPECT_TRUE(last);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 20);  // its queued call is dropped
}

// Faults: a race between the window's thread and the writer over a capture or the
// animation's frames (run under ThreadSanitizer); a burst written out of order, or
// a file left half made, when the thread really runs beside the window's.
TEST_F(BackgroundWork, ACycleWritesBurstsOfEveryKindInOrderBesideTheWindowsThread) {
  QtBackgroundWork background;  // outlives the cycle, which waits for it as it goes
  const testing::TempDir dir;
  testing::CycleOnFakes h(testing::dirsIn(dir.path()));
  h.platform.background = &background;
  h.options.setText(Option::outputDir, dir.path());
  h.options.setValue(Option::animationFrameCount, 2);
  struct Kind {
    int type;
    bool animation;
  };
  std::vector<Kind> kinds = {{kJpeg, false}, {kPng, false}, {kGif, true}, {kAvi, true}};
  if (kModernTypesBuilt) kinds.push_back({kWebp, true});
  for (const Kind& kind : kinds) {
    h.options.setValue(Option::outputType, kind.type);
    h.options.setChecked(Option::saveAnimation, kind.animation);
    // The second is taken while the first is written.
    h.capture(testing::framePicture(64, 48, 1));
    h.capture(testing::framePicture(64, 48, 2));
    ASSERT_TRUE(test::runEventsUntil([&] { return !h.cycle.writing(); }, 10000));
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.file_size() > 0) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {"snp1.jpg", "snp2.jpg", "snp3.png",
                                       "snp4.png", "snp5.gif", "snp6.avi"};
  if (kModernTypesBuilt) expected.push_back("snp7.webp");
  EXPECT_EQ(names, expected);
  EXPECT_EQ(h.lastSaved.files.size(), expected.size());
}

}  // namespace
}  // namespace snaprill
