// Crop and automatic resize, both through CopyAreaToCapture. Parts of a crop
// rectangle beyond the capture come out black, as a freshly made screen bitmap is.
// Zero or negative sizes leave the capture unchanged: the options set no limits,
// and a mirrored or empty picture is never what the user asked for.
#include <algorithm>
#include <cstdint>

#include "capture/engine.h"

namespace snaprill {

void CaptureEngine::CopyAreaToCapture(const Rect& source, int width, int height) {
  if (width <= 0 || height <= 0) return;
  Bitmap area(width, height, 32);  // the screen's depth
  stretchCopy(area, Rect{0, 0, width, height}, CaptureImage, source);
  CaptureImage = std::move(area);
}

void CaptureEngine::ApplyCrop() {
  const int left = options.value(Option::cropLeft);
  const int top = options.value(Option::cropTop);
  const int width = options.value(Option::cropWidth);
  const int height = options.value(Option::cropHeight);
  if (left > CaptureImage.width() || top > CaptureImage.height()) return;
  if (width <= 0 || height <= 0) return;
  const auto end = [](int from, int size) {
    return static_cast<int>(std::min<long long>(static_cast<long long>(from) + size, INT32_MAX));
  };
  CopyAreaToCapture(Rect{left, top, end(left, width), end(top, height)}, width, height);
}

void CaptureEngine::ApplyResize() {
  const int width = options.value(Option::resizeWidth);
  const int height = options.value(Option::resizeHeight);
  if (width <= 0 || height <= 0) return;
  if (CaptureImage.width() == width && CaptureImage.height() == height) return;
  CopyAreaToCapture(Rect{0, 0, CaptureImage.width(), CaptureImage.height()}, width, height);
}

}  // namespace snaprill
