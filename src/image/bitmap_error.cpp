#include "image/bitmap_error.h"

namespace snaprill {

std::string bitmapErrorText(BitmapErrorKind kind) {
  switch (kind) {
    case BitmapErrorKind::InvalidSize:
      return "Invalid bitmap size";
    case BitmapErrorKind::InvalidFormat:
      return "Invalid bitmap format";
    case BitmapErrorKind::TooLarge:
      return "Bitmap too large";
  }
  return "Invalid bitmap";
}

}  // namespace snaprill
