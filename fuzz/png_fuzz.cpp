// The PNG reader on arbitrary bytes: it may refuse them with a FormatError, never
// crash, and what it accepts becomes a bitmap of the size its header announced.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/format_error.h"
#include "formats/png/png_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  snaprill::PngImage png;
  try {
    png.loadFromMemory(data, size);
  } catch (const snaprill::FormatError&) {
    return 0;
  }
  const snaprill::Bitmap bitmap = png.toBitmap();
  if (static_cast<std::uint32_t>(bitmap.width()) != png.header().width ||
      static_cast<std::uint32_t>(bitmap.height()) != png.header().height)
    std::abort();
  (void)png.transparentColour();
  return 0;
}
