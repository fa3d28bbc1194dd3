// Any bytes handed to the JPEG XL reader give a picture or a FormatError, within the
// reader budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/format_error.h"
#include "formats/jxl/jxl.h"
#include "formats/modern_types.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    snaprill::readJxl(data, size);
  } catch (const snaprill::FormatError& e) {
    // Without its codec module every input is refused and nothing is tested.
    if (snaprill::kModernTypesBuilt && e.kind() == snaprill::FormatErrorKind::Unsupported) {
      std::abort();
    }
  }
  return 0;
}
