// An engine on the fake platform, with a fake cursor and text renderer, for the
// adjustment tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine.h"
#include "platform/fake/fakes.h"

namespace snaprill::testing {

class AdjustFixture : public ::testing::Test {
 protected:
  AdjustFixture() {
    dir = std::filesystem::temp_directory_path() /
          ("snaprill-adjust-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    controls.setText(C::OutputDir, dir.string() + "/");
  }
  ~AdjustFixture() override { std::filesystem::remove_all(dir); }

  // A capture whose every pixel says where it came from.
  static Bitmap gradient(int w, int h) {
    Bitmap b(w, h, 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        b.setPixel(x, y,
                   Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                       static_cast<std::uint8_t>(x * 7 + y * 3)});
    return b;
  }

  fake::FakeClipboard clipboard;
  fake::FakeDialogs dialogs;
  fake::FakeTray tray;
  fake::FakeClock clock;
  fake::FakeLauncher launcher;
  fake::FakeEventPump events;
  fake::FakeCursorSource cursor;
  fake::FakeTextRenderer text;
  std::filesystem::path dir;
  Platform platform{clipboard,
                    dialogs,
                    tray,
                    clock,
                    launcher,
                    events,
                    fake::newFakeTimer,
                    ProgramDirectories{"/nonexistent/", "/nonexistent/", "/nonexistent/", ""},
                    ReferenceScreen{},
                    &cursor,
                    &text};
  Controls controls;
  Texts texts;
  CaptureEngine engine{controls, texts, platform};
};

}  // namespace snaprill::testing
