// The clipboard's PNG reader on arbitrary bytes: it may leave them to the general
// reader (an empty answer), never crash, and a picture it makes is a 32-bit capture
// of the size the file's header announced, whether taken whole or as its rows arrive.
//
// Random bytes rarely get past the checksums, so half of the inputs are first made
// into a well-formed file: the input's bytes become the filtered rows (filter types
// included) of a picture whose size and colour type the first bytes choose, and it
// is compressed and given correct checksums.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/unaligned.h"
#include "formats/png/png_capture_reader.h"
#include "support/png_test_support.h"

namespace {

using snaprill::pngtest::appendChunk;
using snaprill::pngtest::Bytes;

Bytes wellFormed(const std::uint8_t* data, std::size_t size) {
  const std::uint8_t types[5] = {0, 2, 3, 4, 6};
  const std::uint8_t type = types[data[1] % 5];
  const std::uint32_t width = 1u + data[2] % 64u;
  const std::size_t channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
  const std::size_t stride = 1 + width * channels;
  std::uint32_t height = 1u + static_cast<std::uint32_t>((size - 3) / stride);
  // Some pictures are made tall enough for the rows to be shared between two
  // threads, the input's rows repeated.
  if (data[1] & 0x80)
    height =
        std::max(height, static_cast<std::uint32_t>((std::size_t{1} << 20) / (stride - 1) + 1));
  Bytes rows(stride * height, 0);  // a last row short of bytes is padded
  for (std::size_t i = 0; i < rows.size() && size > 3; ++i) rows[i] = data[3 + i % (size - 3)];
  Bytes file = snaprill::pngtest::kSignature;
  appendChunk(file, "IHDR", snaprill::pngtest::ihdr(width, height, 8, type));
  if (type == 3) appendChunk(file, "PLTE", Bytes(3 * (1 + data[2] % 256u), 0x80));
  appendChunk(file, "IDAT", snaprill::pngtest::zlibCompress(rows, 1));
  appendChunk(file, "IEND", {});
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes made;
  if (size >= 3 && data[0] % 2 == 1) {
    made = wellFormed(data, size);
    data = made.data();
    size = made.size();
  }
  const snaprill::Bitmap capture = snaprill::decodePngCapture(data, size);
  // Taken while its rows still arrive, the picture is the same, or is reported as
  // not intact when its data turns out damaged on the way.
  snaprill::ArrivingRows arriving;
  const snaprill::Bitmap streamed = snaprill::decodePngCapture(data, size, arriving);
  arriving.complete();
  if (!streamed.empty() && arriving.intact() != !capture.empty()) std::abort();
  if (!capture.empty() &&
      (streamed.empty() || std::memcmp(streamed.row(0), capture.row(0),
                                       capture.stride() * std::size_t(capture.height())) != 0))
    std::abort();
  if (capture.empty()) return 0;
  // A picture is only ever made from a file that starts with its header.
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) std::abort();
  if (capture.bitsPerPixel() != 32 ||
      static_cast<std::uint32_t>(capture.width()) != snaprill::loadBe32(data + 16) ||
      static_cast<std::uint32_t>(capture.height()) != snaprill::loadBe32(data + 20))
    std::abort();
  return 0;
}
