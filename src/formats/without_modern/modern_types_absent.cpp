// A build without libwebp, libavif or libjxl: the three types are listed but cannot
// be written, and their files are not read.
#include "formats/avif/avif.h"
#include "formats/jxl/jxl.h"
#include "formats/webp/webp.h"

namespace snaprill {

namespace {

[[noreturn]] void notBuilt() {
  throw FormatError(FormatErrorKind::Unsupported,
                    "This Snaprill was built without WebP, AVIF and JPEG XL");
}

}  // namespace

void writeWebp(const Bitmap&, int, ByteSink&) {
  notBuilt();
}
Bitmap readWebp(const std::uint8_t*, std::size_t) {
  notBuilt();
}
void writeAvif(const Bitmap&, int, ByteSink&) {
  notBuilt();
}
Bitmap readAvif(const std::uint8_t*, std::size_t) {
  notBuilt();
}
void writeJxl(const Bitmap&, int, ByteSink&) {
  notBuilt();
}
Bitmap readJxl(const std::uint8_t*, std::size_t) {
  notBuilt();
}

struct WebpAnimation::Encoder {};
WebpAnimation::WebpAnimation(int, int, int quality) : quality_(quality) {
  notBuilt();
}
WebpAnimation::~WebpAnimation() = default;
void WebpAnimation::addFrame(const Bitmap&, int) {
  notBuilt();
}
void WebpAnimation::finish(ByteSink&) {
  notBuilt();
}

}  // namespace snaprill
