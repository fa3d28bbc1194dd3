// Writes GIF and AVI files through the capture cycle into the folder named by
// SNAPRILL_SAMPLE_DIR, with what each frame must decode to, for the checks by
// independent decoders (tests/decoders/test_gif_avi.py). Skipped without it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "formats/gif/gif_image.h"
#include "support/animation_fixture.h"
#include "support/files.h"

namespace snaprill {
namespace {

struct Expected {
  int width, height;
  std::vector<std::uint8_t> indexes;
  std::vector<Rgb> colors;
};

Bitmap noisePicture(int w, int h) {
  std::mt19937 rng(5);
  Bitmap b(w, h, 32);
  for (auto& byte : b.bits()) byte = static_cast<std::uint8_t>(rng());
  return b;
}

class AnimationSamples : public testing::AnimationTest {
 protected:
  void SetUp() override {
    const char* out = std::getenv("SNAPRILL_SAMPLE_DIR");
    if (!out) GTEST_SKIP() << "SNAPRILL_SAMPLE_DIR not set";
    outDir = std::string(out) + "/";
    manifest.open(outDir + "manifest.txt");
  }

  // What a picture becomes as a frame, and on the AVI stream's cube.
  Expected frameOf(const Bitmap& picture, bool gray, bool cube) {
    GifImage gif;
    gif.reductionMode = gray ? ReductionMode::Grayscale : ReductionMode::SystemColorQuantize;
    gif.appendFrame(picture);
    const GifFrame& f = gif.frameAt(0);
    if (!cube) return {f.width, f.height, f.pixels, f.localColors.colors()};
    const Bitmap c = renderOnCube(f.width, f.height, f.localColors.colors(), f.pixels.data(),
                                  static_cast<std::size_t>(f.width));
    Expected e{c.width(), c.height(), {}, c.palette()};
    for (int y = 0; y < c.height(); ++y)
      e.indexes.insert(e.indexes.end(), c.row(y), c.row(y) + c.width());
    return e;
  }

  // Records the newest file under name with the frames it must hold.
  void record(const std::string& name, const std::vector<Expected>& frames, int delay = -1) {
    std::filesystem::copy_file(cycle.lastSavedPath, outDir + name,
                               std::filesystem::copy_options::overwrite_existing);
    manifest << name << ' ' << frames.size() << ' ' << delay;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const std::string stem = name + "." + std::to_string(i);
      testing::writeBytes(outDir + stem + ".idx", frames[i].indexes);
      std::ofstream pal(outDir + stem + ".pal", std::ios::binary);
      for (std::size_t k = 0; k < 256; ++k) {
        const Rgb c = k < frames[i].colors.size() ? frames[i].colors[k] : Rgb{};
        pal.put(char(c.r)).put(char(c.g)).put(char(c.b));
      }
      manifest << ' ' << frames[i].width << 'x' << frames[i].height;
    }
    manifest << '\n';
  }

  std::string outDir;
  std::ofstream manifest;
};

TEST_F(AnimationSamples, Write) {
  // Single images: odd and edge sizes, a width above 4096, noise, gray.
  const std::vector<std::pair<int, int>> sizes = {{61, 37}, {1, 1}, {1, 300}, {300, 1}, {5000, 3}};
  for (const auto& [w, h] : sizes) {
    const Bitmap p = testing::framePicture(w, h, w % 7);
    capture(p);
    record("single_" + std::to_string(w) + "x" + std::to_string(h) + ".gif",
           {frameOf(p, false, false)});
  }
  const Bitmap noise = noisePicture(200, 150);
  capture(noise);
  record("noise.gif", {frameOf(noise, false, false)});
  options.setChecked(Option::gifGrayscale, true);
  capture(noise);
  record("gray.gif", {frameOf(noise, true, false)});
  options.setChecked(Option::gifGrayscale, false);

  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::animationFrameCount, 3);
  std::vector<Expected> gifFrames, aviFrames;
  for (int i = 0; i < 3; ++i) {
    const Bitmap p = testing::framePicture(64, 40, i + 1);
    capture(p);
    gifFrames.push_back(frameOf(p, false, false));
    aviFrames.push_back(frameOf(p, false, true));
  }
  record("anim.gif", gifFrames, 10);

  options.setValue(Option::outputType, kAvi);
  options.setValue(Option::frameDelay, 4);
  for (int i = 0; i < 3; ++i) capture(testing::framePicture(64, 40, i + 1));
  record("anim.avi", aviFrames, 4);

  options.setValue(Option::animationFrameCount, 2);
  capture(testing::framePicture(63, 41, 1));
  capture(testing::framePicture(80, 20, 2));
  record("sizes.avi", {frameOf(testing::framePicture(63, 41, 1), false, true)}, 4);
}

}  // namespace
}  // namespace snaprill
