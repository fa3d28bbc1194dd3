// JPEG XL files, written and read by libjxl.
//
// A bare codestream (FF 0A) or the ISO container ("JXL " box, then "ftyp" and
// "jxlc"/"jxlp" boxes holding the codestream); we write the bare codestream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture as an 8-bit sRGB JPEG XL: lossless (modular) for kLosslessQuality,
// else lossy at quality 1..100 (mapped to a distance as cjxl maps its -q). Throws
// FormatError Empty for a picture without pixels, EncoderFailed when libjxl gives up,
// and what the sink throws.
void writeJxl(const Bitmap& picture, int quality, ByteSink& out);

// Reads the first frame of a JPEG XL file; transparent parts become white. Returns a
// 32-bit bitmap; throws FormatError on damaged data and beyond the reader budget.
Bitmap readJxl(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
