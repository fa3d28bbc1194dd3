// Any bytes handed to the Targa reader give a picture or a FormatError.
#include <cstddef>
#include <cstdint>

#include "formats/format_error.h"
#include "formats/targa/targa.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    snaprill::readTarga(data, size);
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
