// The colour effects of a capture. Each changes the bitmap it is given and returns
// that same bitmap.
#pragma once

#include "image/bitmap.h"

namespace snaprill {

// Converts to 24 bits per pixel, then every blue, green and red byte v becomes
// 255 - v; row padding is left alone.
Bitmap& invertColours(Bitmap& picture);

// Every pixel becomes gray = round(0.3 r + 0.6 g + 0.1 b), computed in 80-bit
// extended precision, each product and sum rounded to nearest, the result rounded
// half to even. The pixel format stays as it was.
Bitmap& makeGrayscale(Bitmap& picture);

// The gray level of one colour, as makeGrayscale computes it.
std::uint8_t grayLevel(Rgb c);

}  // namespace snaprill
