// PCX (ZSoft) files.
//
// Header, 128 bytes, 16-bit numbers little-endian:
//   0 manufacturer 10   1 version (0, 2, 3, 4, 5)   2 encoding 1 (run-length)
//   3 bits per pixel and plane
//   4 Xmin  6 Ymin  8 Xmax  10 Ymax  12 horizontal dpi  14 vertical dpi
//   16 16-colour palette (48)  64 reserved  65 planes  66 bytes per plane line
//   68 palette information  70 filler (58)
// Image data: for each row, top row first, each plane line in turn (red, green, blue),
// bytes-per-line bytes each; pixels of fewer than 8 bits are packed leftmost in the
// high bits, plane k giving bit k of a 1-bit-per-plane colour index. Encoding: a byte
// 0xC0 + k (k 1..63) repeats the next byte k times; any other byte stands for
// itself. 8-bit one-plane pictures end in 0x0C and a palette of 256 R G B triples.
//
// We write version 5, 8 bits, 3 planes; bytes per line is the width rounded up to an
// even number, and an odd width's plane lines end in an encoded 0 byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Appends the run-length encoding of one plane line to out. Runs never reach past the
// line; every byte from 192 up is written behind a count byte.
void encodePcxLine(const std::uint8_t* line, std::size_t length, std::vector<std::uint8_t>& out);

// Encodes picture and writes header and data to the sink, straight from the
// picture's rows (no copy of a screen-sized picture per capture). Throws FormatError
// "The bitmap is empty" (Empty) for a picture without pixels, "The bitmap is too
// large for a PCX file" (TooLarge) beyond the format's 16-bit fields, and what the
// sink throws.
void writePcx(const Bitmap& picture, ByteSink& out);

// Reads a PCX file of version 0 to 5: 8 bits in 3 or 4 planes (true colour; a fourth
// plane is ignored) or in 1 plane with the 256-colour palette at the end (gray
// without it); 1 bit in 1 to 4 planes, or 2 or 4 bits in 1 plane, coloured by the
// header's 16-colour palette (the EGA colours for version 3, which has none; black
// and white for a monochrome file whose first two entries do not differ). Runs may cross lines and
// are cut at the end of the picture; 0xC0 reads as a plain byte of 192. Plane lines of exactly the
// pixels' bytes are accepted where the header claims one byte more. Returns a 24-bit bitmap. Throws
// FormatError on anything else, on truncated data and on pictures beyond the reader budget
// (reader_limits.h); never reads past size.
Bitmap readPcx(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
