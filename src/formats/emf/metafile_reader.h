// Drawing Windows and enhanced metafiles into bitmaps, as far as their raster
// records go.
//
// Enhanced metafile (little-endian, records of type, size, then parameters):
//   EMR_HEADER (1): bounds (inclusive, device units) at 8, frame (0.01 mm) at 24,
//     " EMF" signature at 40, ...
//   EMR_BITBLT (76), EMR_STRETCHBLT (77): destination x y cx cy at 24, raster
//     operation, source x y, source transform, background colour, colour usage,
//     offset and size of the source BITMAPINFO and bits at 84; source cx cy at 100
//     (STRETCHBLT only). No BITMAPINFO means no source picture.
//   EMR_SETDIBITSTODEVICE (80): destination x y at 24, source x y cx cy at 32,
//     BITMAPINFO and bits offsets and sizes at 48, usage, first scan, scan count.
//   EMR_STRETCHDIBITS (81): destination x y at 24, source x y cx cy at 32,
//     BITMAPINFO and bits offsets and sizes at 48, usage, raster operation,
//     destination cx cy at 72.
//   EMR_EOF (14) ends the file.
// Windows metafile: an optional placeable header (D7 CD C6 9A, handle, bounding
//   box left top right bottom as 16-bit values, units per inch, reserved, checksum:
//   22 bytes), the 18-byte header (type 1 or 2, header size 9), then records of size
//   (32-bit, in 16-bit words), function (16-bit) and parameters in reverse order:
//   META_SETWINDOWORG (0x020B) y x; META_SETWINDOWEXT (0x020C) y x;
//   META_DIBBITBLT (0x0940) rop, ySrc, xSrc, height, width, yDest, xDest, DIB;
//   META_DIBSTRETCHBLT (0x0B41) rop, srcHeight, srcWidth, ySrc, xSrc, destHeight,
//     destWidth, yDest, xDest, DIB;
//   META_SETDIBTODEV (0x0D33) usage, scans, start scan, yDib, xDib, height, width,
//     yDest, xDest, DIB;
//   META_STRETCHDIB (0x0F43) rop, usage, srcHeight, srcWidth, ySrc, xSrc,
//     destHeight, destWidth, yDest, xDest, DIB;
//   META_EOF (0x0000).
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Draws the picture records of an enhanced or Windows metafile onto a white 24-bit
// bitmap of the metafile's size (within the pixel budget of reader_limits.h). Throws FormatError
// when the file is not a metafile we can read or holds no picture record we can draw; never reads
// past size.
Bitmap readMetafile(const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
