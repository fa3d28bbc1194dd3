// Windows bitmap files.
//
// Layout (little-endian): BITMAPFILEHEADER (14 bytes: "BM", file size, 0, 0, offset
// of the bits), BITMAPINFOHEADER (40 bytes: size, width, height (negative: rows top
// down), planes 1, bit count, compression, image size, x/y pixels per metre, colours
// used, colours important), colour table of 2^bits RGBQUAD entries (B G R 0) for 1, 4
// and 8 bits, then the rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture in its own pixel format (16 bits as 5-5-5 BI_RGB). An empty picture
// writes nothing. Throws what the sink throws.
void writeBmp(const Bitmap& picture, ByteSink& out);

// Reads a Windows bitmap file of any depth (BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS;
// OS/2 core headers; top-down or bottom-up). Throws FormatError on anything it cannot
// read; never reads past size.
Bitmap readBmp(const std::uint8_t* data, std::size_t size);

// Fills pieces one after another with a file's bytes from offset on; returns how many
// came (fewer at the end of the file).
using ReadBytesAt =
    std::function<std::size_t(std::size_t offset, std::span<const std::span<std::uint8_t>> pieces)>;

// readBmp for a file read in parts: head holds its first bytes (4 KiB, or the whole
// of a smaller file), fileSize its size, readAt the rest. The rows of a picture stored
// as the Bitmap keeps them (uncompressed, or plain bitfields, of 16 bits and more:
// screenshots) are read straight into it, with no second copy of the file; other
// pictures give nullopt, for readBmp to read from the whole file. Throws FormatError
// as readBmp does.
std::optional<Bitmap> readBmpInPlace(std::span<const std::uint8_t> head, std::size_t fileSize,
                                     const ReadBytesAt& readAt);

}  // namespace snaprill
