// Any bytes handed to the WebP reader give a picture or a FormatError, within the
// reader budget.
#include <cstddef>
#include <cstdint>

#include "formats/webp/webp.h"
#include "formats/format_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    snaprill::readWebp(data, size);
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
