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

// A large picture is written as horizontal strips compressed side by side and joined
// into one scan by restart markers: each strip is `mcuRows` rows of 16-pixel blocks
// and one restart interval, and the file is the one a single compression with that
// restart interval gives. mcuRows 0: one piece, no restart markers.
struct JpegStrips {
  int mcuRows = 0;
  int threads = 1;  // at most; the caller's thread is one of them
};

// The strips that pay for this picture on this machine (measured by
// bench/jpeg_bench.cpp): none for pictures a single thread writes as fast.
JpegStrips jpegStripsFor(const Bitmap& picture);

// Writes picture (any format; converted to 24 bits) at quality 1..100 with
// baseline-compatible tables, in strips where that pays (`strips`, for tests and
// benchmarks, chooses them instead). Rows still `arriving` are waited for one by one,
// and such a picture is written in one piece. Safe on any thread while nothing
// changes the picture. Throws FormatError on a picture without pixels or a libjpeg
// failure (TooLarge for a side beyond libjpeg's limit), and what the sink throws.
void writeJpeg(const Bitmap& picture, int quality, ByteSink& out,
               const ArrivingRows* arriving = nullptr, const JpegStrips* strips = nullptr);

// Decodes a JPEG file to a 24-bit bitmap: gray, YCbCr and RGB files, and CMYK and
// YCCK files as Adobe applications write them (inverted CMYK). Strict: every
// libjpeg warning about the data (cut short, corrupt, out of order) is an error, not
// a patch of gray. Throws FormatError on such data, on a picture beyond the reader
// budget (reader_limits.h), on one whose compressed data is too short to cover it,
// and on more than 100 scans; never ends the process.
Bitmap readJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
