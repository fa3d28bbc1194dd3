// Transparency laid over white. A capture is a screen picture, which has no
// transparency: wherever a picture arrives with some (a PNG's alpha, a GIF's
// transparent colour, a WebP drawn with holes), the window, snaprill-batch and every
// reader show it as a page would, over white, rather than the colour a transparent
// pixel happens to hold.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace snaprill {

// One colour channel of a pixel of the given opacity (0 transparent, 255 opaque)
// as it shows over white, rounded to the nearest level.
constexpr std::uint8_t overWhite(unsigned channel, unsigned alpha) {
  return static_cast<std::uint8_t>((channel * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// Lays a 32-bit picture whose fourth bytes are its opacity over white; they are 0
// afterwards, as in every capture. swapRedBlue: the picture came as R G B A rather
// than B G R A.
void flattenOntoWhite(Bitmap& picture, bool swapRedBlue);

}  // namespace snaprill
