// Enhanced metafile files holding one picture as a single raster record.
//
// Layout (all little-endian, records 4-byte aligned):
//   EMR_HEADER (type 1): bounds (device units), frame (0.01 mm), signature " EMF",
//     version 0x10000, file size, record count, handle count 1, reserved, description
//     size/offset 0, palette entry count 0, reference device size in pixels and mm;
//   EMR_STRETCHDIBITS (type 81): bounds, destination x y, source x y cx cy, offsets and
//     sizes of the BITMAPINFO and the bits, DIB_RGB_COLORS, SRCCOPY, destination cx cy,
//     then the BITMAPINFO and the bottom-up rows of the picture;
//   EMR_EOF (type 14): no palette entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_sink.h"
#include "formats/emf/reference_screen.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture as an enhanced metafile recorded against screen. Throws what the
// sink throws.
void writeEmf(const Bitmap& picture, const ReferenceScreen& screen, ByteSink& out);

}  // namespace snaprill
