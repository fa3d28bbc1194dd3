#include "image/over_white.h"

#include <utility>

namespace snaprill {

void flattenOntoWhite(Bitmap& picture, bool swapRedBlue) {
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* p = picture.row(y);
    for (int x = 0; x < picture.width(); ++x, p += 4) {
      if (swapRedBlue) std::swap(p[0], p[2]);
      const unsigned alpha = p[3];
      if (alpha != 255) {
        for (int c = 0; c < 3; ++c) p[c] = overWhite(p[c], alpha);
      }
      p[3] = 0;
    }
  }
}

}  // namespace snaprill
