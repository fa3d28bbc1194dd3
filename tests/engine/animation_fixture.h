// An engine over the fake platform writing into a fresh temporary folder, set up
// for GIF and AVI output.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/fake/fakes.h"

namespace snaprill::testing {

// A 32-bit picture with a gradient, flat bars and a marker colour per seed.
inline Bitmap framePicture(int w, int h, int seed = 0) {
  Bitmap b(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y,
                 (y / 6) % 3 == 1 ? Rgb{std::uint8_t(40 * seed), 60, 200}
                                  : Rgb{std::uint8_t(x * 255 / w), std::uint8_t(y * 255 / h),
                                        std::uint8_t(128 + seed)});
  return b;
}

class AnimationTest : public ::testing::Test {
 protected:
  AnimationTest()
      : dir(makeDir()),
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
    controls.setValue(C::tyyp, kGif);
  }
  ~AnimationTest() override { std::filesystem::remove_all(dir); }

  static std::string makeDir() {
    std::string t = (std::filesystem::temp_directory_path() / "snaprill-anim-XXXXXX").string();
    if (!::mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
    return t + "/";
  }
  void capture(const Bitmap& picture) {
    clipboard.offerBitmap(picture);
    static_cast<fake::FakeTimer&>(engine->captureTimer()).tick();
  }
  std::vector<std::uint8_t> file(const std::string& name) const {
    std::ifstream in(dir + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir + name); }
  std::size_t fileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }

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
