// Pixel work the WebP, AVIF and JPEG XL codecs share: the libraries take and give
// 8-bit BGRX/BGRA or RGBA rows, our bitmaps are B G R X at 32 bits per pixel.
#pragma once

#include <cstdint>

#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// The picture at 32 bits per pixel: picture itself when it is, else a converted copy
// kept in spare.
const Bitmap& asThirtyTwoBits(const Bitmap& picture, Bitmap& spare);

// A 32-bit bitmap for a decoded picture of width x height, after the pixel budget
// (reader_limits.h) and the plausibility of size compressed bytes for it: throws
// FormatError TooLarge (naming format) otherwise.
Bitmap decodedPictureFor(std::uint32_t width, std::uint32_t height, std::size_t size,
                         const char* format);

}  // namespace snaprill
