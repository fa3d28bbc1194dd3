// JPEG files the program never writes, made with libjpeg itself for the reader's
// tests: CMYK and YCCK (with the Adobe marker libjpeg adds for them, as Photoshop
// writes them) and progressive files with a scan script of our choosing.
#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace snaprill::testing {

struct JpegRecipe {
  JpegRecipe(int w, int h, int samplesPerPixel, J_COLOR_SPACE samplesAre, J_COLOR_SPACE fileHolds)
      : width(w), height(h), components(samplesPerPixel), input(samplesAre), stored(fileHolds) {}
  int width = 0;
  int height = 0;
  int components = 3;                // of the samples given
  J_COLOR_SPACE input = JCS_RGB;     // what the samples are
  J_COLOR_SPACE stored = JCS_YCbCr;  // what the file holds
  int quality = 95;
  bool progressive = false;           // libjpeg's standard progression
  bool optimize = false;              // Huffman tables fitted to the picture
  std::vector<jpeg_scan_info> scans;  // a scan script of our own, when not empty
};

// Compresses samples (rows top first, components interleaved) into a JPEG file.
// libjpeg's default error handler ends the test program on misuse.
inline std::vector<std::uint8_t> writeTestJpeg(const JpegRecipe& recipe,
                                               const std::vector<std::uint8_t>& samples) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(recipe.width);
  cinfo.image_height = static_cast<JDIMENSION>(recipe.height);
  cinfo.input_components = recipe.components;
  cinfo.in_color_space = recipe.input;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, recipe.stored);
  jpeg_set_quality(&cinfo, recipe.quality, TRUE);
  if (recipe.progressive) jpeg_simple_progression(&cinfo);
  cinfo.optimize_coding = recipe.optimize ? TRUE : FALSE;
  if (!recipe.scans.empty()) {
    cinfo.scan_info = recipe.scans.data();
    cinfo.num_scans = static_cast<int>(recipe.scans.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(recipe.width * recipe.components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + cinfo.next_scanline * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace snaprill::testing
