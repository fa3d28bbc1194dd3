// The image layer's one error: a bitmap that cannot be made. Callers decide by kind.
#pragma once

#include <stdexcept>
#include <string>

namespace snaprill {

enum class BitmapErrorKind {
  InvalidSize,    // "Invalid bitmap size": a negative width or height
  InvalidFormat,  // "Invalid bitmap format": bits per pixel other than 1, 4, 8, 16, 24, 32
  // "Bitmap too large": beyond the memory a bitmap may take (kMaxBitmapBytes), or
  // beyond the tighter limit of the work that asked for it.
  TooLarge,
};

std::string bitmapErrorText(BitmapErrorKind kind);

class BitmapError : public std::runtime_error {
 public:
  // width x height: the size asked for, where the failure is about one.
  explicit BitmapError(BitmapErrorKind kind, int width = 0, int height = 0)
      : std::runtime_error(bitmapErrorText(kind)), kind_(kind), width_(width), height_(height) {}

  BitmapErrorKind kind() const { return kind_; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  BitmapErrorKind kind_;
  int width_;
  int height_;
};

}  // namespace snaprill
