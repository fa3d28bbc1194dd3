// Writes bitmap and metafile files of every depth for the independent decoder check
// (tests/decoders), each with a raw dump of its pixels: width, height (32-bit
// little-endian), then R G B for every pixel, top row first. Runs only when
// SNAPRILL_DECODER_OUT names a folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/bmp/bmp_file.h"
#include "formats/emf/emf_file.h"
#include "support/files.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

Bitmap pattern(int width, int height, int bpp) {
  return testing::noisePicture(width, height, bpp, 3u + static_cast<std::uint32_t>(width));
}

std::vector<std::uint8_t> pixelDump(const Bitmap& picture) {
  std::vector<std::uint8_t> dump;
  for (const int v : {picture.width(), picture.height()})
    for (int i = 0; i < 4; ++i) dump.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const Rgb c = picture.pixel(x, y);
      dump.insert(dump.end(), {c.r, c.g, c.b});
    }
  return dump;
}

TEST(DecoderFiles, WritesBitmapsAndMetafilesOfEveryDepth) {
  const char* folder = std::getenv("SNAPRILL_DECODER_OUT");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "SNAPRILL_DECODER_OUT not set";
  for (const int bpp : {1, 4, 8, 16, 24, 32}) {
    for (const int width : {1, 2, 3, 5, 7, 9, 33}) {
      const Bitmap picture = pattern(width, 5, bpp);
      const std::string stem =
          std::string(folder) + "/bmp" + std::to_string(bpp) + "_w" + std::to_string(width);
      MemorySink file;
      writeBmp(picture, file);
      testing::writeBytes(stem + ".bmp", file.bytes);
      testing::writeBytes(stem + ".rgb", pixelDump(picture));
    }
    const Bitmap picture = pattern(13, 6, bpp);
    const std::string stem = std::string(folder) + "/emf" + std::to_string(bpp);
    MemorySink file;
    writeEmf(picture, ReferenceScreen::at96Dpi(1280, 1024), file);
    testing::writeBytes(stem + ".emf", file.bytes);
    testing::writeBytes(stem + ".rgb", pixelDump(picture));
  }
}

}  // namespace
}  // namespace snaprill
