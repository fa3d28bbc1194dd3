// Screenshots usually reach the clipboard as PNG, and turning that PNG into a
// capture sits on the path from Print Screen to the saved file. This reader does
// only that, fast: the common PNGs (8 bits per sample, not interlaced, any colour
// type) become a 32-bit capture in one pass, inflated by libdeflate. Pixels with
// alpha are drawn over white, as the clipboard's general image reader draws them,
// and gamma is not applied. Everything else — other depths, interlaced files,
// transparency by a tRNS chunk, damaged data — is left to that general reader: the
// answer is then an empty bitmap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/reader_limits.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"

namespace snaprill {

// Largest picture this reader makes, in bytes of 32-bit pixels: the pixel budget of
// every reader. Bigger ones are left to the general reader, which applies its own
// limit.
inline constexpr std::size_t kMaxPngCaptureBytes = 4 * kMaxPicturePixels;

Bitmap decodePngCapture(const std::uint8_t* file, std::size_t size);

// The same, but a large picture is handed over while a worker thread is still
// inflating and undoing its rows, top first: `arriving` tells which rows are there.
// The file's structure and checksums are checked before; damage inside its
// compressed data is found only on the way, and `arriving` then reports the
// picture as not intact.
Bitmap decodePngCapture(const std::uint8_t* file, std::size_t size, ArrivingRows& arriving);

}  // namespace snaprill
