// The metafile reader of overlay pictures on arbitrary bytes: it may refuse with a
// FormatError, never crash or raise anything else.
#include <cstddef>
#include <cstdint>

#include "formats/emf/metafile_reader.h"
#include "formats/format_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)snaprill::readMetafile(data, size);
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
