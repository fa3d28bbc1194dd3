#include "capture/full_colour_animation.h"

#include <algorithm>

#include "io/atomic_file.h"

namespace snaprill {

namespace {

// The GIF page's delay is in hundredths of a second, as GIF stores it.
constexpr int kMillisecondsPerDelayUnit = 10;
constexpr int kLongestDelayMs = 0xFFFFFF;  // WebP's 24-bit frame duration

}  // namespace

WriteOutcome FullColourAnimation::addFrame(const Bitmap& capture, const Options& options,
                                           const std::optional<std::string>& path) {
  if (!encoder_) {
    width_ = capture.width();
    height_ = capture.height();
    encoder_ = std::make_unique<WebpAnimation>(width_, height_, options.value(Option::webpQuality));
  }
  const int delayMs = static_cast<int>(std::min<long long>(
      static_cast<long long>(options.value(Option::frameDelay)) * kMillisecondsPerDelayUnit,
      kLongestDelayMs));
  try {
    if (capture.width() == width_ && capture.height() == height_) {
      encoder_->addFrame(capture, delayMs);
    } else {
      // A capture of another size (another window) is laid on a white frame of the
      // animation's size, top left, as a GIF's logical screen would show it.
      Bitmap frame(width_, height_, 32, Bitmap::Unfilled{});
      std::fill(frame.bits().begin(), frame.bits().end(), std::uint8_t{0xFF});
      drawBitmap(frame, 0, 0, capture);
      encoder_->addFrame(frame, delayMs);
    }
  } catch (...) {
    dropFrames();
    throw;
  }
  ++frames_;
  if (!path) return {};
  return write(*path);
}

WriteOutcome FullColourAnimation::write(const std::string& path) {
  // The frames go whatever happens: a failed write must not leak them into the
  // next animation.
  std::unique_ptr<WebpAnimation> encoder = std::move(encoder_);
  frames_ = 0;
  AtomicFile file(path);
  encoder->finish(file);
  file.commit();
  return WriteOutcome{path};
}

void FullColourAnimation::dropFrames() {
  encoder_.reset();
  frames_ = 0;
}

}  // namespace snaprill
