// Windows bitmap files.
//
// Layout (little-endian): BITMAPFILEHEADER (14 bytes: "BM", file size, 0, 0, offset
// of the bits), BITMAPINFOHEADER (40 bytes: size, width, height (negative: rows top
// down), planes 1, bit count, compression, image size, x/y pixels per metre, colours
// used, colours important), colour table of 2^bits RGBQUAD entries (B G R 0) for 1, 4
// and 8 bits, then the rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture in its own pixel format (16 bits as 5-5-5 BI_RGB). An empty picture
// writes nothing. Throws what the sink throws.
void writeBmp(const Bitmap& picture, ByteSink& out);

// Reads a Windows bitmap file of any depth (BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS;
// OS/2 core headers; top-down or bottom-up). Throws FormatError on anything it cannot
// read; never reads past size.
Bitmap readBmp(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
