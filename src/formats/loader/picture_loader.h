// The formats layer reads and writes every file and stream format, one folder per
// format (avi, avif, bmp, emf, gif, ini, jpeg, jxl, pcx, png, targa, tiff, webp, zlib); nothing in
// it knows Qt or the capture cycle.
//
// The picture loader: the first bytes of a file decide its reader.
//
//   FF D8 FF              JPEG
//   47 49 46 ("GIF")      GIF, its first image
//   89 50 4E              PNG
//   01 00 09, D7 CD C6,   Windows or enhanced metafile
//   01 00 00
//   "RIFF", 4 bytes,      WebP
//   "WEBP"
//   4 bytes, "ftyp", a    AVIF
//   brand "avif"/"avis"
//   among its brands
//   FF 0A, or the box     JPEG XL (codestream, or its container)
//   00 00 00 0C "JXL "
//   0D 0A 87 0A
//   0A, then a version    PCX
//   0 to 5 and an
//   encoding 0 or 1
//   a plausible Targa     Targa (the format has no signature): image type 1, 2, 3, 9,
//   header                10 or 11, colour map type 0 or 1 (1 for the colour-mapped
//                         types, with entries of 15, 16, 24 or 32 bits), a pixel depth
//                         that goes with the type, and a width and height above 0
//   anything else         Windows bitmap
// The signatures above are tested first. Only PCX can also pass for a plausible Targa
// header, and only as version 1, which ZSoft never issued.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/format_error.h"
#include "formats/reader_limits.h"
#include "image/bitmap.h"

namespace snaprill {

enum class PictureKind { Jpeg, Gif, Png, Metafile, Webp, Avif, JpegXl, Pcx, Targa, WindowsBitmap };

PictureKind detectPicture(const std::uint8_t* data, std::size_t size);

// Reads a picture of any kind the loader knows into a bitmap of its own size.
// Throws FormatError when it cannot be read; a file that is none of the kinds (not
// even a Windows bitmap) is NotThisFormat, and its text names the formats read.
// loadPictureFile throws FileError when the file cannot be read at all.
Bitmap readPicture(const std::uint8_t* data, std::size_t size);
Bitmap loadPictureFile(const std::string& path);

// The same for a picture that is to be a capture, as snaprill-batch takes picture
// files: 32 bits per pixel, and its transparency (a PNG's alpha or tRNS, a GIF's
// transparent colour, WebP, AVIF and JPEG XL alpha) drawn over white, as the window
// draws a picture copied to the clipboard. A PNG goes through the window's own
// reader of clipboard PNGs first.
Bitmap readCapturePicture(const std::uint8_t* data, std::size_t size);
Bitmap loadCapturePictureFile(const std::string& path);

}  // namespace snaprill
