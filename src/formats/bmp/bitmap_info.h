// The BITMAPINFO that Windows bitmap files, AVI stream formats and metafile
// raster records share:
//   BITMAPINFOHEADER (40 bytes, little-endian): size 40, width, height (positive:
//     rows bottom-up), planes 1, bits per pixel, compression 0 (BI_RGB), image size,
//     pixels per metre x and y (0), colours used, colours important (0);
//   then the colour table: one B G R 0 quadruple per entry.
#pragma once

#include <cstdint>

#include "base/byte_sink.h"
#include "image/bitmap.h"

namespace snaprill {

inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

// Writes the header of picture with the given image size and "colours used"
// field, followed by tableEntries colours of its palette (black past its end).
void writeBitmapInfo(ByteSink& out, const Bitmap& picture, std::uint32_t imageSize,
                     std::uint32_t coloursUsed, std::uint32_t tableEntries);

}  // namespace snaprill
