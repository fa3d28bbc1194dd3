// Windows bitmap reader on arbitrary bytes: it reads a picture or raises ReadError;
// anything else (a crash, another exception, a sanitizer report) is a finding.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "formats/bmp/bmp_file.h"

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
  } catch (const snaprill::ReadError&) {
  }
  return 0;
}
