// JPEG XL in a build without libjxl: neither written nor read.
#include "formats/jxl/jxl.h"
#include "formats/modern_types.h"

namespace snaprill {

void writeJxl(const Bitmap&, int, ByteSink&) {
  refuseWithoutModernLibraries();
}
Bitmap readJxl(const std::uint8_t*, std::size_t) {
  refuseWithoutModernLibraries();
}

}  // namespace snaprill
