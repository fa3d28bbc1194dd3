// AVIF files, written and read by libavif (AV1 through the codec libavif was built
// with: libaom on Debian).
//
// An ISO base media file: "ftyp" with brand "avif", then "meta" (item properties:
// size, colour, AV1 configuration) and "mdat" with the AV1 data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture as an 8-bit 4:4:4 AVIF (coloured text smears at 4:2:0) at quality
// 1..100 (100 and above: the finest quantizer, nearly lossless). Throws FormatError
// Empty for a picture without pixels, EncoderFailed when libavif gives up, and what
// the sink throws.
void writeAvif(const Bitmap& picture, int quality, ByteSink& out);

// Reads the first picture of an AVIF file, any depth and subsampling; transparent
// parts become white. Returns a 32-bit bitmap; throws FormatError on damaged data
// and beyond the reader budget.
Bitmap readAvif(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
