// Any bytes handed to the JPEG reader give a picture within the reader budget or a
// FormatError; never a crash, a leak or another exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/format_error.h"
#include "formats/jpeg/jpeg.h"
#include "formats/reader_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const snaprill::Bitmap picture = snaprill::readJpeg(data, size);
    if (!snaprill::withinPixelBudget(static_cast<std::uint64_t>(picture.width()),
                                     static_cast<std::uint64_t>(picture.height()))) {
      std::abort();
    }
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
