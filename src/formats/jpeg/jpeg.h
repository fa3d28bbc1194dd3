// JPEG through libjpeg: baseline files of 24-bit RGB data with the floating-point
// DCT (jpeg.cpp), and reading what libjpeg reads (jpeg_reader.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture (any format; converted to 24 bits) at quality 1..100 with
// baseline-compatible tables. Rows still `arriving` are waited for one by one.
// Throws FormatError on a picture without pixels or a libjpeg failure (TooLarge for
// a side beyond libjpeg's limit), and what the sink throws.
void writeJpeg(const Bitmap& picture, int quality, ByteSink& out,
               const ArrivingRows* arriving = nullptr);

// Decodes a JPEG file to a 24-bit bitmap: gray, YCbCr and RGB files, and CMYK and
// YCCK files as Adobe applications write them (inverted CMYK). Strict: every
// libjpeg warning about the data (cut short, corrupt, out of order) is an error, not
// a patch of gray. Throws FormatError on such data, on a picture beyond the reader
// budget (reader_limits.h), on one whose compressed data is too short to cover it,
// and on more than 100 scans; never ends the process.
Bitmap readJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
