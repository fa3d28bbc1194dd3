// A capture cycle over the fake services, driven tick by tick; free of GoogleTest so
// that the sample writer under tests/tools can drive one too.
#pragma once

#include <string>

#include "capture/capture_cycle.h"
#include "fakes/fakes.h"
#include "support/pictures.h"

namespace snaprill::testing {

// A program that keeps everything in one folder.
inline ProgramDirectories dirsIn(const std::string& dir) {
  return ProgramDirectories{dir, dir, dir, dir + "snaprill", dir};
}

struct CycleOnFakes : fake::FakeServices {
  explicit CycleOnFakes(const ProgramDirectories& dirs) : platform(makePlatform(dirs)) {}

  // Offers a picture and runs one tick of the capture timer.
  void capture(const Bitmap& picture = samplePicture()) {
    clipboard.offerBitmap(picture);
    tick();
  }
  void tick() { static_cast<fake::FakeTimer&>(cycle.captureTimer()).tick(); }

  Platform platform;
  Options options;
  Texts texts;
  CaptureCycle cycle{options, texts, platform};
};

}  // namespace snaprill::testing
