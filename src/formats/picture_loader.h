// The formats layer reads and writes every file and stream format, one folder per
// format (avi, bmp, emf, gif, ini, jpeg, pcx, png, targa, tiff, zlib); nothing in
// it knows Qt or the capture cycle.
//
// The picture loader: the first bytes of a file decide its reader.
//
//   FF D8 FF              JPEG
//   47 49 46 ("GIF")      GIF, its first image
//   89 50 4E              PNG
//   01 00 09, D7 CD C6,   Windows or enhanced metafile
//   01 00 00
//   0A 05 01              PCX
//   00 00 0A              Targa, run-length-compressed true colour, no identification
//   anything else         Windows bitmap
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/reader_limits.h"
#include "image/bitmap.h"

namespace snaprill {

enum class PictureKind { Jpeg, Gif, Png, Metafile, Pcx, Targa, WindowsBitmap };

PictureKind detectPicture(const std::uint8_t* data, std::size_t size);

// Reads a picture of any kind the loader knows into a bitmap of its own size.
// Throws (ReadError or the reader's own error type) when it cannot be read.
Bitmap readPicture(const std::uint8_t* data, std::size_t size);
Bitmap loadPictureFile(const std::string& path);

}  // namespace snaprill
