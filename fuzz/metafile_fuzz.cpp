// The metafile reader of overlay pictures on arbitrary bytes: it may refuse, never
// crash.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "formats/emf/metafile_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    (void)snaprill::readMetafile(data, size);
  } catch (const std::exception&) {
  }
  return 0;
}
