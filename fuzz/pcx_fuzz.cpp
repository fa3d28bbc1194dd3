// Any bytes handed to the PCX reader give a picture or a FormatError.
#include <cstddef>
#include <cstdint>

#include "formats/format_error.h"
#include "formats/pcx/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    snaprill::readPcx(data, size);
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
