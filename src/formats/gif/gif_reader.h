// Reading GIF files (GIF87a and GIF89a) for overlay pictures, through giflib.
//
// Layout: "GIF87a"/"GIF89a", logical screen descriptor (width, height: 16-bit
// little-endian; flags; background index; aspect), optional global colour table,
// then blocks: 0x21 extension (label, sub-blocks), 0x2C image (left, top, width,
// height, flags, optional local colour table, LZW code size, sub-blocks), 0x3B end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// What becomes of the pixels of the transparent colour (a graphic control
// extension before the image names it): they keep the colour the table gives them
// (an overlay picture is drawn without transparency), or they show white, as every
// capture shows transparency, and so does the screen around the image.
enum class GifTransparency { Ignored, OverWhite };

// The first image of a GIF file, placed on its logical screen (the image's extent
// when the screen has no size) over the background colour, as a 24-bit
// bitmap. A screen beyond the pixel budget of reader_limits.h is refused. Throws
// FormatError on anything it cannot read; never reads past size.
Bitmap readGif(const std::uint8_t* data, std::size_t size,
               GifTransparency transparency = GifTransparency::Ignored);

}  // namespace snaprill
