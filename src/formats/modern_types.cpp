#include "formats/modern_types.h"

#include "formats/format_error.h"

namespace snaprill {

void refuseWithoutModernLibraries() {
  throw FormatError(FormatErrorKind::Unsupported,
                    "This Snaprill was built without WebP, AVIF and JPEG XL");
}

}  // namespace snaprill
