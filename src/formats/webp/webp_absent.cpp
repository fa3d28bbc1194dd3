// WebP in a build without libwebp: neither written nor read.
#include "formats/modern_types.h"
#include "formats/webp/webp.h"

namespace snaprill {

void writeWebp(const Bitmap&, int, ByteSink&) {
  refuseWithoutModernLibraries();
}
Bitmap readWebp(const std::uint8_t*, std::size_t) {
  refuseWithoutModernLibraries();
}

struct WebpAnimation::Encoder {};
WebpAnimation::WebpAnimation(int, int, int quality) : quality_(quality) {
  refuseWithoutModernLibraries();
}
WebpAnimation::~WebpAnimation() = default;
void WebpAnimation::addFrame(const Bitmap&, int) {
  refuseWithoutModernLibraries();
}
void WebpAnimation::finish(ByteSink&) {
  refuseWithoutModernLibraries();
}

}  // namespace snaprill
