// WebP files, written and read by libwebp.
//
// A RIFF container: "RIFF", a 32-bit little-endian length, "WEBP", then chunks
// ("VP8 " lossy, "VP8L" lossless, "VP8X" extended with "ANIM"/"ANMF" frames).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "image/bitmap.h"

namespace snaprill {

// Writes picture as a still WebP: lossless for kLosslessQuality, else lossy at
// quality 1..100. Throws FormatError Empty for a picture without pixels, TooLarge
// beyond WebP's 16383 pixels a side, EncoderFailed when libwebp gives up, and what
// the sink throws.
void writeWebp(const Bitmap& picture, int quality, ByteSink& out);

// Reads a still WebP (lossy or lossless; the first frame's pixels are not offered
// for an animation, which is Unsupported). Transparent parts become white. Returns a
// 32-bit bitmap; throws FormatError on damaged data and beyond the reader budget.
Bitmap readWebp(const std::uint8_t* data, std::size_t size);

// An animated WebP built frame by frame, every frame in full colour.
class WebpAnimation {
 public:
  // quality as for writeWebp; frames must all have the first frame's size.
  WebpAnimation(int width, int height, int quality);
  ~WebpAnimation();
  WebpAnimation(const WebpAnimation&) = delete;
  WebpAnimation& operator=(const WebpAnimation&) = delete;

  // Adds a frame shown for delayMs milliseconds. Throws FormatError as writeWebp.
  void addFrame(const Bitmap& frame, int delayMs);
  // Writes the whole animation; Empty without frames.
  void finish(ByteSink& out);

 private:
  struct Encoder;
  std::unique_ptr<Encoder> encoder_;
  int quality_;
  int timestampMs_ = 0;
  int frames_ = 0;
};

}  // namespace snaprill
