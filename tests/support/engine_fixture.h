// An engine over the fake platform in a fresh temporary folder, for tick-by-tick tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "platform/fake/fakes.h"

namespace snaprill::testing {

inline std::string makeTempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "snaprill-test-XXXXXX").string();
  if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  return templ + "/";
}

// A screenshot-like 32-bit picture: a gradient with a few flat bars.
inline Bitmap samplePicture(int w = 64, int h = 48) {
  Bitmap b(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y,
                 (y / 8) % 2 ? Rgb{30, 60, 200}
                             : Rgb{static_cast<std::uint8_t>(x * 255 / w),
                                   static_cast<std::uint8_t>(y * 255 / h), 128});
  return b;
}

class EngineTest : public ::testing::Test {
 protected:
  EngineTest()
      : dir(makeTempDir()),
        platform{clipboard,
                 dialogs,
                 tray,
                 clock,
                 launcher,
                 events,
                 fake::newFakeTimer,
                 ProgramDirectories{dir, dir, dir, dir + "snaprill"},
                 ReferenceScreen{}},
        engine(std::make_unique<CaptureEngine>(controls, texts, platform)) {
    controls.setText(C::OutputDir, dir);
  }
  ~EngineTest() override { std::filesystem::remove_all(dir); }

  // Offers a picture and runs one tick of the capture timer.
  void capture(const Bitmap& picture = samplePicture()) {
    clipboard.offerBitmap(picture);
    tick();
  }
  void tick() { static_cast<fake::FakeTimer&>(engine->captureTimer()).tick(); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir + name); }

  std::string dir;
  fake::FakeClipboard clipboard;
  fake::FakeDialogs dialogs;
  fake::FakeTray tray;
  fake::FakeClock clock;
  fake::FakeLauncher launcher;
  fake::FakeEventPump events;
  Platform platform;
  Controls controls;
  Texts texts;
  std::unique_ptr<CaptureEngine> engine;
};

}  // namespace snaprill::testing
