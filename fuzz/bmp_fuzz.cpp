// Windows bitmap reader on arbitrary bytes: it reads a picture or raises FormatError;
// anything else (a crash, another exception, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>

#include "formats/bmp/bmp_file.h"
#include "formats/format_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const snaprill::Bitmap picture = snaprill::readBmp(data, size);
    // Touch the pixels of small results so that an inconsistent bitmap shows under
    // the sanitizers; large ones would only slow the fuzzer down.
    if (picture.bits().size() <= (std::size_t{1} << 20)) {
      unsigned sum = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) sum += picture.pixel(x, y).g;
      static_cast<void>(sum);
    }
  } catch (const snaprill::FormatError&) {
  }
  return 0;
}
