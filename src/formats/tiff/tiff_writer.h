// TIFF writer: uncompressed, little-endian ("II"), one image in one strip. Values and
// pixels come first, the image file directory (IFD) last, so the file is written in
// one forward pass.
//
// As TIFF 6.0 asks, every value an offset points to, and the IFD itself, begins on
// a word boundary (an even offset), and ASCII values end in a NUL.
//
// RGB file (pictures of 24 or 32 bits per pixel, and any depth other than 4 or 8):
//   0    header: "II", 42, offset of the IFD (= 42 + 3WH, rounded up to even)
//   8    XResolution 877/10      16  YResolution 877/10
//   24   BitsPerSample 8, 8, 8   30  Software "Snaprill <version>" and a NUL (the
//                                    count includes it), a pad byte when odd
//   30+S rows top first, R G B per pixel, no padding; one pad byte when odd
//        (S: the Software value's bytes with its pad)
//   then the IFD: 15 entries (254 256 257 258 259 262 273 277 278 279 282 283 284
//        296 305), next-IFD offset 0.
// Palette file (4 or 8 bits per pixel, C = 2^bits colours):
//   0    header            8  ColorMap: C reds, C greens, C blues, each value * 257
//                             (0..255 spread over 0..65535: white is 65535)
//   8+6C XResolution  16+6C YResolution  24+6C Software (S bytes as above)
//   24+6C+S rows top first; one pad byte when odd
//   then the IFD: 15 entries (as above without 284, with 320 ColorMap).
//   Rows are W bytes at 8 bits; ceil(W / 2) bytes at 4 bits, the left pixel in the
//   high nibble and the last nibble 0 for an odd width.
// ImageWidth and ImageLength are SHORT entries, or LONG ones when a side exceeds 65535.
#pragma once

#include <string>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture as a TIFF file from the sink's first byte on. An empty picture writes
// nothing. Throws FormatError (TooLarge) when the file would pass 4 GiB, and what the
// sink throws.
void writeTiff(ByteSink& out, const Bitmap& picture);

// Creates (or replaces) the file at path and writes picture into it; an empty picture
// leaves an empty file. Throws FileError (NotCreated) when the file cannot be written.
void saveTiffFile(const std::string& path, const Bitmap& picture);

}  // namespace snaprill
