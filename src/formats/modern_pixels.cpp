#include "formats/modern_pixels.h"

#include <string>
#include <utility>

#include "formats/reader_limits.h"

namespace snaprill {

const Bitmap& asThirtyTwoBits(const Bitmap& picture, Bitmap& spare) {
  if (picture.bitsPerPixel() == 32) return picture;
  spare = picture.convertedTo(32);
  return spare;
}

Bitmap decodedPictureFor(std::uint32_t width, std::uint32_t height, std::size_t size,
                         const char* format) {
  if (width == 0 || height == 0) throw FormatError(FormatErrorKind::Empty);
  const std::uint64_t pixels = std::uint64_t{width} * height;
  if (!withinPixelBudget(width, height) || pixels / kMostPixelsPerByte > size) {
    throw FormatError(FormatErrorKind::TooLarge, std::string(format) + " picture too large");
  }
  try {
    return Bitmap(static_cast<int>(width), static_cast<int>(height), 32, Bitmap::Unfilled{});
  } catch (const BitmapError& error) {
    throw asFormatError(error);
  }
}

void flattenOntoWhite(Bitmap& picture, bool swapRedBlue) {
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* p = picture.row(y);
    for (int x = 0; x < picture.width(); ++x, p += 4) {
      if (swapRedBlue) std::swap(p[0], p[2]);
      const unsigned alpha = p[3];
      if (alpha != 255) {
        for (int c = 0; c < 3; ++c) {
          p[c] = static_cast<std::uint8_t>((p[c] * alpha + 255u * (255u - alpha) + 127u) / 255u);
        }
      }
      p[3] = 0;
    }
  }
}

}  // namespace snaprill
