// Any bytes handed to the Targa reader give a picture or a ReadError.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "formats/targa/targa.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    snaprill::readTarga(data, size);
  } catch (const snaprill::ReadError&) {
  }
  return 0;
}
