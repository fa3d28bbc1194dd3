// Crop and automatic resize, both by stretching an area into a new capture. Parts of a crop
// rectangle beyond the capture come out black, as a freshly made screen bitmap is.
// Zero or negative sizes leave the capture unchanged: the options set no limits,
// and a mirrored or empty picture is never what the user asked for.
#include <algorithm>
#include <cstdint>

#include "capture/adjustments.h"

namespace snaprill {

namespace {

// Replaces the capture by a width x height bitmap that the source rectangle of the
// capture is stretched into.
void copyAreaToCapture(Bitmap& capture, const Rect& source, int width, int height) {
  if (width <= 0 || height <= 0) return;
  if (std::uint64_t{4} * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
      kMaxAdjustedBytes)
    throw BitmapError(BitmapErrorKind::TooLarge, width, height);
  Bitmap area(width, height, 32);  // the screen's depth
  stretchCopy(area, Rect{0, 0, width, height}, capture, source);
  capture = std::move(area);
}

}  // namespace

void Adjustments::crop(Bitmap& capture) const {
  const int left = options_.value(Option::cropLeft);
  const int top = options_.value(Option::cropTop);
  const int width = options_.value(Option::cropWidth);
  const int height = options_.value(Option::cropHeight);
  if (left > capture.width() || top > capture.height()) return;
  if (width <= 0 || height <= 0) return;
  const auto end = [](int from, int size) {
    return static_cast<int>(std::min<long long>(static_cast<long long>(from) + size, INT32_MAX));
  };
  copyAreaToCapture(capture, Rect{left, top, end(left, width), end(top, height)}, width, height);
}

void Adjustments::resize(Bitmap& capture) const {
  const int width = options_.value(Option::resizeWidth);
  const int height = options_.value(Option::resizeHeight);
  if (width <= 0 || height <= 0) return;
  if (capture.width() == width && capture.height() == height) return;
  copyAreaToCapture(capture, Rect{0, 0, capture.width(), capture.height()}, width, height);
}

}  // namespace snaprill
