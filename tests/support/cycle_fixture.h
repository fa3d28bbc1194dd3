// A capture cycle over the fake services, and the fixture that drives one tick by tick
// in a fresh temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "capture/capture_cycle.h"
#include "fakes/fakes.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace snaprill::testing {

// A program that keeps everything in one folder.
inline ProgramDirectories dirsIn(const std::string& dir) {
  return ProgramDirectories{dir, dir, dir, dir + "snaprill"};
}

struct CycleOnFakes : fake::FakeServices {
  explicit CycleOnFakes(const ProgramDirectories& dirs) : platform(makePlatform(dirs)) {}

  Platform platform;
  Options options;
  Texts texts;
  CaptureCycle cycle{options, texts, platform};
};

// The temporary folder is the program's folder and the output folder.
class CycleTest : public ::testing::Test, private TempDir, public CycleOnFakes {
 protected:
  CycleTest() : CycleOnFakes(dirsIn(path())) { options.setText(Option::outputDir, dir); }

  // Offers a picture and runs one tick of the capture timer.
  void capture(const Bitmap& picture = samplePicture()) {
    clipboard.offerBitmap(picture);
    tick();
  }
  void tick() { static_cast<fake::FakeTimer&>(cycle.captureTimer()).tick(); }
  bool exists(const std::string& name) const { return std::filesystem::exists(dir + name); }

  const std::string dir = path();
};

}  // namespace snaprill::testing
