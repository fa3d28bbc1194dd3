#include "formats/jxl/jxl.h"

#include "codec_module/codec_module.h"
#include "formats/modern_module.h"
#include "image/over_white.h"

namespace snaprill {

namespace {
constexpr ModuleCodec kJpegXl{SNAPRILL_CODEC_JPEG_XL, "JPEG XL"};
}

void writeJxl(const Bitmap& picture, int quality, ByteSink& out) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty JPEG XL image");
  writeThroughModule(kJpegXl, picture, quality, out);
}

Bitmap readJxl(const std::uint8_t* data, std::size_t size) {
  Bitmap picture = readThroughModule(kJpegXl, data, size);
  // libjxl gives R G B A.
  flattenOntoWhite(picture, true);
  return picture;
}

}  // namespace snaprill
