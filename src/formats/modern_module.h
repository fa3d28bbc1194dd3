// AVIF and JPEG XL through the codec module (codec_module/codec_module.h), loaded on
// their first use: beside the running program (a build folder, where the test, fuzz
// and bench folders have a link to it), then in the package's module folder relative
// to it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/byte_sink.h"
#include "image/bitmap.h"

namespace snaprill {

// The module's codecs, with the names their errors give.
struct ModuleCodec {
  int id;            // SNAPRILL_CODEC_*
  const char* name;  // "AVIF", "JPEG XL"
};

// Writes a non-empty picture through the module. Throws FormatError as the codec
// does, Unsupported naming the module's file when it cannot be loaded, and what the
// sink throws.
void writeThroughModule(ModuleCodec codec, const Bitmap& picture, int quality, ByteSink& out);

// Reads a picture through the module into a 32-bit bitmap within the reader budget,
// its opacity left in the fourth bytes. Throws FormatError as writeThroughModule.
Bitmap readThroughModule(ModuleCodec codec, const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
