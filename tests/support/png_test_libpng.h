// libpng as the reference codec of the PNG tests (a test-only dependency): it
// writes the files the readers are checked on, and reads what the writer produces.
#pragma once

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <optional>
#include <vector>

#include "image/bitmap.h"

namespace snaprill::pngtest {

struct RgbImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes per pixel, rows top to bottom
};

namespace detail {

struct MemoryInput {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

inline void readFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (in->size - in->pos < n) png_error(png, "read past end");
  std::copy_n(in->data + in->pos, n, out);
  in->pos += n;
}

inline void writeToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

inline void noFlush(png_structp) {}

// Decodes to 8-bit samples, 16-bit ones keeping their high byte, with no gamma
// applied: R G B with alpha and tRNS dropped, or R G B A with tRNS as alpha and 255
// for files without alpha. False when libpng refuses the file.
inline bool libpngDecodeSamples(const std::vector<std::uint8_t>& file, bool keepAlpha,
                                std::uint32_t& width, std::uint32_t& height,
                                std::vector<std::uint8_t>& samples) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryInput in{file.data(), file.size(), 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &in, readFromMemory);
  png_read_info(png, info);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_strip_16(png);
  if (keepAlpha) {
    png_set_tRNS_to_alpha(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
  } else {
    png_set_strip_alpha(png);
  }
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  width = png_get_image_width(png, info);
  height = png_get_image_height(png, info);
  const std::size_t rowBytes = std::size_t{keepAlpha ? 4u : 3u} * width;
  samples.resize(rowBytes * height);
  for (std::uint32_t y = 0; y < height; ++y) rows.push_back(samples.data() + rowBytes * y);
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace detail

// Decodes to 8-bit RGB the way the reader under test treats samples: 16-bit samples
// keep their high byte, alpha and tRNS are dropped, no gamma is applied. Nothing
// when libpng refuses the file.
inline std::optional<RgbImage> libpngDecode(const std::vector<std::uint8_t>& file) {
  RgbImage image;
  if (!detail::libpngDecodeSamples(file, false, image.width, image.height, image.rgb))
    return std::nullopt;
  return image;
}

// What the clipboard's general reader makes of a PNG: a 32 bpp capture (B G R 0),
// each pixel drawn over white and rounded to the nearest level. An empty bitmap when
// libpng refuses the file.
inline Bitmap libpngCaptureOverWhite(const std::vector<std::uint8_t>& file) {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  if (!detail::libpngDecodeSamples(file, true, width, height, rgba)) return Bitmap();
  Bitmap out(static_cast<int>(width), static_cast<int>(height), 32);
  const std::uint8_t* src = rgba.data();
  for (int y = 0; y < out.height(); ++y) {
    std::uint8_t* dst = out.row(y);
    for (std::uint32_t x = 0; x < width; ++x, src += 4, dst += 4) {
      const unsigned alpha = src[3];
      const auto over = [alpha](unsigned c) {
        return static_cast<std::uint8_t>((c * alpha + 255u * (255u - alpha) + 127u) / 255u);
      };
      dst[0] = over(src[2]);
      dst[1] = over(src[1]);
      dst[2] = over(src[0]);
      dst[3] = 0;
    }
  }
  return out;
}

struct LibpngWriteOptions {
  std::uint32_t width = 1;
  std::uint32_t height = 1;
  int bitDepth = 8;
  int colourType = 2;
  int interlace = 0;
  std::optional<double> gamma;             // written as gAMA
  std::vector<std::uint8_t> trns;          // palette alphas (type 3)
  std::optional<png_color_16> trnsColour;  // types 0 and 2
  std::vector<png_color> palette;
  std::size_t idatSize = 8192;  // libpng's compression buffer: the IDAT size
};

// Writes a PNG with libpng from packed rows in the file's own sample layout, using
// every filter so that the reader meets all of them.
inline std::vector<std::uint8_t> libpngEncode(const LibpngWriteOptions& o,
                                              std::vector<std::vector<std::uint8_t>> rows) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, detail::writeToVector, detail::noFlush);
  png_set_compression_buffer_size(png, o.idatSize);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
  png_set_IHDR(png, info, o.width, o.height, o.bitDepth, o.colourType, o.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (o.gamma) png_set_gAMA(png, info, *o.gamma);
  if (!o.palette.empty())
    png_set_PLTE(png, info, o.palette.data(), static_cast<int>(o.palette.size()));
  if (!o.trns.empty() || o.trnsColour) {
    png_color_16 colour = o.trnsColour.value_or(png_color_16{});
    png_set_tRNS(png, info, o.trns.empty() ? nullptr : o.trns.data(),
                 static_cast<int>(o.trns.size()), o.trnsColour ? &colour : nullptr);
  }
  png_write_info(png, info);
  if (o.interlace) png_set_interlace_handling(png);
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace snaprill::pngtest
