// The cycle fixture set up for GIF and AVI output.
#pragma once

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "support/cycle_fixture.h"
#include "support/files.h"

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

class AnimationTest : public CycleTest {
 protected:
  AnimationTest() { options.setValue(Option::outputType, kGif); }

  std::vector<std::uint8_t> file(const std::string& name) const { return readBytes(dir + name); }
  std::size_t fileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }
};

}  // namespace snaprill::testing
