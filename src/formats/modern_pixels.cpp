#include "formats/modern_pixels.h"

#include <string>

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

}  // namespace snaprill
