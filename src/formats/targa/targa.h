// Targa (Truevision TGA) files.
//
// Header, 18 bytes, numbers little-endian:
//   0 ID length   1 colour map type (0 none, 1 present)   2 image type
//   3 colour map: first index (2), length (2), entry bits (1)
//   8 X origin (2)  10 Y origin (2)  12 width (2)  14 height (2)
//   16 bits per pixel   17 descriptor: bits 0-3 alpha bits, bit 4 right-to-left,
//                       bit 5 top row first
// then the ID field, the colour map, and the pixels (B G R [A]; 15/16 bits as
// A RRRRR GGGGG BBBBB). Image types: 1 colour-mapped, 2 true colour, 3 gray; 9, 10,
// 11 the same run-length encoded in packets: a header byte with the top bit set is a
// run of (low 7 bits + 1) copies of the one pixel that follows; with it clear, that
// many pixels follow as they are.
//
// We write type 10 (TargaFormat 5) or type 2 (any other TargaFormat), 24 bits, bottom
// row first, no ID field, no colour map, no footer. Each row is encoded on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Encodes one row of width B G R triples into out (at least width * 4 bytes) and
// returns the number of bytes written. Two equal neighbours always form a run packet;
// a raw packet stops before a pixel that starts a run, or after its 128th pixel.
std::size_t encodeTargaRow(const std::uint8_t* bgr, int width, std::uint8_t* out);

// Writes picture as a Targa file; targaFormat 5 is run-length-encoded true colour
// (type 10), anything else uncompressed (type 2). Throws FormatError (TooLarge) "The
// bitmap is too large for a Targa file" when a side exceeds the format's 16-bit
// fields (65535), before writing anything; and what the sink throws.
void writeTarga(const Bitmap& picture, std::uint8_t targaFormat, ByteSink& out);

// Reads a Targa file of image type 1, 2, 3, 9, 10 or 11 (true colour of 15, 16, 24
// or 32 bits, gray of 8 or 16 bits, colour-mapped with 8- or 16-bit indexes) in any
// of the four origins into a 24-bit bitmap; alpha is dropped. Runs may cross rows;
// a run that passes the last pixel is cut short. Indexes outside the colour map read
// as black. Throws FormatError on anything else, on truncated data and on sizes the
// data cannot hold; never reads past size.
Bitmap readTarga(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
