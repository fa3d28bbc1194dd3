// AVIF in a build without libavif: neither written nor read.
#include "formats/avif/avif.h"
#include "formats/modern_types.h"

namespace snaprill {

void writeAvif(const Bitmap&, int, ByteSink&) {
  refuseWithoutModernLibraries();
}
Bitmap readAvif(const std::uint8_t*, std::size_t) {
  refuseWithoutModernLibraries();
}

}  // namespace snaprill
