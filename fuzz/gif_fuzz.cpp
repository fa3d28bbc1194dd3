// The GIF reader of overlay pictures on arbitrary bytes: it may refuse with a
// FormatError, never crash or raise anything else.
#include <cstddef>
#include <cstdint>

#include "formats/format_error.h"
#include "formats/gif/gif_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)snaprill::readGif(data, size);
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
