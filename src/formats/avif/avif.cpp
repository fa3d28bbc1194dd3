#include "formats/avif/avif.h"

#include "codec_module/codec_module.h"
#include "formats/modern_module.h"
#include "image/over_white.h"

namespace snaprill {

namespace {
constexpr ModuleCodec kAvif{SNAPRILL_CODEC_AVIF, "AVIF"};
}

void writeAvif(const Bitmap& picture, int quality, ByteSink& out) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty AVIF image");
  writeThroughModule(kAvif, picture, quality, out);
}

Bitmap readAvif(const std::uint8_t* data, std::size_t size) {
  Bitmap picture = readThroughModule(kAvif, data, size);
  flattenOntoWhite(picture, false);
  return picture;
}

}  // namespace snaprill
