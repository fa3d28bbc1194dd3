// Writes the files that the independent decoder checks (tests/decoders) open, each
// with what it must decode to.
//
//   sample_writer bmp-emf FOLDER
//       Windows bitmaps of every depth and odd widths (bmpBPP_wWIDTH.bmp) and a metafile
//       of every depth (emfBPP.emf), each beside a dump of its pixels (.rgb): width,
//       height (32-bit little-endian), then R G B for every pixel, top row first.
//   sample_writer png FOLDER
//       A screenshot-like capture at every compression level (levelN.png), the same
//       with its image data compressed in parts of 20000 bytes on two threads
//       (levelN-parts.png), and its pixels as a binary PPM (capture.ppm).
//   sample_writer animation FOLDER
//       GIF and AVI files written through the capture cycle over the fake services;
//       for frame I of file NAME, its colour indexes (NAME.I.idx, row by row) and a
//       256-entry table of R G B (NAME.I.pal); manifest.txt has a line per file:
//       name, frame count, delay (-1: none), then WIDTHxHEIGHT per frame.
// Exit status: 0 done, 1 a writer failed, 2 bad usage.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "formats/bmp/bmp_file.h"
#include "formats/emf/emf_file.h"
#include "formats/gif/color_reduction.h"
#include "formats/gif/gif_image.h"
#include "formats/png/png_image.h"
#include "support/cycle_on_fakes.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace {

using namespace snaprill;
using Bytes = std::vector<std::uint8_t>;

// R G B for every pixel, top row first.
Bytes rgbOf(const Bitmap& picture) {
  Bytes rgb;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const Rgb c = picture.pixel(x, y);
      rgb.insert(rgb.end(), {c.r, c.g, c.b});
    }
  return rgb;
}

Bytes pixelDump(const Bitmap& picture) {
  Bytes dump;
  for (const int v : {picture.width(), picture.height()})
    for (int i = 0; i < 4; ++i) dump.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  const Bytes rgb = rgbOf(picture);
  dump.insert(dump.end(), rgb.begin(), rgb.end());
  return dump;
}

void writeBitmapsAndMetafiles(const std::string& folder) {
  const auto pattern = [](int width, int height, int bpp) {
    return testing::noisePicture(width, height, bpp, 3u + static_cast<std::uint32_t>(width));
  };
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (const int width : {1, 2, 3, 5, 7, 9, 33}) {
      const Bitmap picture = pattern(width, 5, bpp);
      const std::string stem = folder + "/bmp" + std::to_string(bpp) + "_w" + std::to_string(width);
      MemorySink file;
      writeBmp(picture, file);
      testing::writeBytes(stem + ".bmp", file.bytes);
      testing::writeBytes(stem + ".rgb", pixelDump(picture));
    }
    const Bitmap picture = pattern(13, 6, bpp);
    const std::string stem = folder + "/emf" + std::to_string(bpp);
    MemorySink file;
    writeEmf(picture, ReferenceScreen::at96Dpi(1280, 1024), file);
    testing::writeBytes(stem + ".emf", file.bytes);
    testing::writeBytes(stem + ".rgb", pixelDump(picture));
  }
}

void writePngLevels(const std::string& folder) {
  const Bitmap picture = testing::screenshotLike(517, 301, 3);
  const std::filesystem::path dir(folder);
  for (int level = 0; level <= 9; ++level) {
    MemorySink file;
    writePng(picture, level, kPngFilterNone, file);
    testing::writeBytes(dir / ("level" + std::to_string(level) + ".png"), file.bytes);
    const DeflateSplit parts{20000, 2};
    MemorySink split;
    writePng(picture, level, kPngFilterNone, split, &parts);
    testing::writeBytes(dir / ("level" + std::to_string(level) + "-parts.png"), split.bytes);
  }
  const std::string head =
      "P6\n" + std::to_string(picture.width()) + ' ' + std::to_string(picture.height()) + "\n255\n";
  Bytes ppm(head.begin(), head.end());
  const Bytes rgb = rgbOf(picture);
  ppm.insert(ppm.end(), rgb.begin(), rgb.end());
  testing::writeBytes(dir / "capture.ppm", ppm);
}

// What one frame of a file must decode to.
struct Expected {
  int width, height;
  Bytes indexes;
  std::vector<Rgb> colors;
};

// The capture cycle in a temporary folder, copying what it saves to the output folder.
class AnimationWriter : private testing::TempDir, public testing::CycleOnFakes {
 public:
  explicit AnimationWriter(const std::string& folder)
      : CycleOnFakes(testing::dirsIn(path())),
        outDir(folder + "/"),
        manifest(outDir + "manifest.txt") {
    options.setText(Option::outputDir, path());
    options.setValue(Option::outputType, kGif);
  }

  // What a picture becomes as a frame, and on the AVI stream's cube.
  static Expected frameOf(const Bitmap& picture, bool gray, bool cube) {
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

  // A frame placed at the top left of a larger screen, black around it.
  static Expected onScreen(const Expected& frame, int width, int height) {
    const auto black = std::find(frame.colors.begin(), frame.colors.end(), Rgb{});
    if (black == frame.colors.end()) throw std::runtime_error("frame has no black");
    Expected e{width, height,
               Bytes(static_cast<std::size_t>(width * height),
                     static_cast<std::uint8_t>(black - frame.colors.begin())),
               frame.colors};
    for (int y = 0; y < frame.height; ++y) {
      std::copy_n(frame.indexes.begin() + y * frame.width, frame.width,
                  e.indexes.begin() + y * width);
    }
    return e;
  }

  // Records the newest file under name with the frames it must hold.
  void record(const std::string& name, const std::vector<Expected>& frames, int delay = -1) {
    std::filesystem::copy_file(lastSaved.path, outDir + name,
                               std::filesystem::copy_options::overwrite_existing);
    manifest << name << ' ' << frames.size() << ' ' << delay;
    for (std::size_t i = 0; i < frames.size(); ++i) {
      const std::string stem = name + "." + std::to_string(i);
      testing::writeBytes(outDir + stem + ".idx", frames[i].indexes);
      Bytes pal;
      for (std::size_t k = 0; k < 256; ++k) {
        const Rgb c = k < frames[i].colors.size() ? frames[i].colors[k] : Rgb{};
        pal.insert(pal.end(), {c.r, c.g, c.b});
      }
      testing::writeBytes(outDir + stem + ".pal", pal);
      manifest << ' ' << frames[i].width << 'x' << frames[i].height;
    }
    manifest << '\n';
  }

  void finish() {
    manifest.close();
    if (!manifest) throw std::runtime_error("cannot write " + outDir + "manifest.txt");
  }

 private:
  std::string outDir;
  std::ofstream manifest;
};

void writeAnimations(const std::string& folder) {
  AnimationWriter w(folder);
  auto& options = w.options;
  // Single images: odd and edge sizes, a width above 4096, noise, gray.
  const std::vector<std::pair<int, int>> sizes = {{61, 37}, {1, 1}, {1, 300}, {300, 1}, {5000, 3}};
  for (const auto& [width, height] : sizes) {
    const Bitmap p = testing::framePicture(width, height, width % 7);
    w.capture(p);
    w.record("single_" + std::to_string(width) + "x" + std::to_string(height) + ".gif",
             {w.frameOf(p, false, false)});
  }
  const Bitmap noise = testing::noiseBytes(200, 150, 5);
  w.capture(noise);
  w.record("noise.gif", {w.frameOf(noise, false, false)});
  options.setChecked(Option::gifGrayscale, true);
  w.capture(noise);
  w.record("gray.gif", {w.frameOf(noise, true, false)});
  options.setChecked(Option::gifGrayscale, false);

  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::animationFrameCount, 3);
  std::vector<Expected> gifFrames, aviFrames;
  for (int i = 0; i < 3; ++i) {
    const Bitmap p = testing::framePicture(64, 40, i + 1);
    w.capture(p);
    gifFrames.push_back(w.frameOf(p, false, false));
    aviFrames.push_back(w.frameOf(p, false, true));
  }
  w.record("anim.gif", gifFrames, 10);

  // An animation that grows after its first capture, not optimised: the first
  // frame covers the logical screen, black outside the capture.
  options.setValue(Option::animationFrameCount, 2);
  options.setChecked(Option::optimizeAnimation, false);
  const Bitmap small = testing::framePicture(40, 30, 4), large = testing::framePicture(64, 50, 5);
  w.capture(small);
  w.capture(large);
  w.record("grows.gif",
           {w.onScreen(w.frameOf(small, false, false), 64, 50), w.frameOf(large, false, false)},
           10);
  options.setChecked(Option::optimizeAnimation, true);
  options.setValue(Option::animationFrameCount, 3);

  options.setValue(Option::outputType, kAvi);
  options.setValue(Option::frameDelay, 4);
  for (int i = 0; i < 3; ++i) w.capture(testing::framePicture(64, 40, i + 1));
  w.record("anim.avi", aviFrames, 4);

  options.setValue(Option::animationFrameCount, 2);
  w.capture(testing::framePicture(63, 41, 1));
  w.capture(testing::framePicture(80, 20, 2));
  w.record("sizes.avi", {w.frameOf(testing::framePicture(63, 41, 1), false, true)}, 4);

  // The default delay of 10 hundredths: 10 frames a second, as the GIF shows them.
  options.setValue(Option::frameDelay, 10);
  std::vector<Expected> tenthsFrames;
  for (int i = 0; i < 2; ++i) {
    const Bitmap p = testing::framePicture(32, 24, i + 6);
    w.capture(p);
    tenthsFrames.push_back(w.frameOf(p, false, true));
  }
  w.record("tenths.avi", tenthsFrames, 10);
  w.finish();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::pair<std::string, void (*)(const std::string&)>> families = {
      {"bmp-emf", writeBitmapsAndMetafiles},
      {"png", writePngLevels},
      {"animation", writeAnimations},
  };
  if (argc == 3) {
    for (const auto& [name, write] : families) {
      if (name != argv[1]) continue;
      try {
        write(argv[2]);
        return 0;
      } catch (const std::exception& e) {
        std::cerr << "sample_writer " << name << ": " << e.what() << '\n';
        return 1;
      }
    }
  }
  std::cerr << "usage: sample_writer bmp-emf|png|animation FOLDER\n";
  return 2;
}
