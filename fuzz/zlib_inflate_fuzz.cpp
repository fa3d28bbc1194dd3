// Our inflater against zlib's inflate on arbitrary bytes: the same verdict, and the same
// bytes when both accept; nothing written past the output (guard bytes), nothing read
// outside the buffers (the sanitizers).
//
// Arbitrary bytes are rarely a valid stream, so an input whose first byte is odd is first
// compressed by zlib, the rest of it at a level and strategy the first byte chooses: that
// stream must inflate. Other inputs are the stream itself, inflated into the size zlib
// finds for it, and into one byte less and one more. Progress reports, at steps the last
// byte chooses, rewrite the output the inflater no longer reads, as the PNG reader does.

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/zlib/zlib_inflate.h"
#include "support/zlib_streams.h"

namespace {

using snaprill::zlibtest::Bytes;

void check(const Bytes& stream, std::size_t outputSize, std::size_t step, bool mustInflate) {
  const snaprill::zlibtest::Reference zlib = snaprill::zlibtest::zlibInflate(stream, outputSize);
  Bytes output(outputSize + 32, 0xA5);
  std::size_t last = 0, rewritten = 0;
  const snaprill::InflateProgress progress = [&](std::size_t produced) {
    if (produced <= last || produced - last < step || produced >= outputSize) std::abort();
    last = produced;
    for (; rewritten + snaprill::kInflateWindow < produced; ++rewritten) output[rewritten] ^= 0x5A;
  };
  const bool ok = snaprill::inflateZlib(stream, output.data(), outputSize, step, progress);
  if (ok != zlib.ok || (mustInflate && !ok)) std::abort();
  if (!std::all_of(output.begin() + static_cast<std::ptrdiff_t>(outputSize), output.end(),
                   [](std::uint8_t b) { return b == 0xA5; }))
    std::abort();
  if (ok && !std::equal(output.begin() + static_cast<std::ptrdiff_t>(rewritten),
                        output.begin() + static_cast<std::ptrdiff_t>(outputSize),
                        zlib.bytes.begin() + static_cast<std::ptrdiff_t>(rewritten)))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t step = 1 + std::size_t{data[size - 1]} * 61;
  if (data[0] % 2 == 1) {
    static constexpr int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE,
                                          Z_FIXED};
    const Bytes raw(data + 1, data + size);
    const Bytes stream =
        snaprill::zlibtest::deflateZlib(raw, data[0] / 2 % 10, kStrategies[data[0] / 32 % 5]);
    check(stream, raw.size(), step, true);
    return 0;
  }
  const Bytes stream(data, data + size);
  const std::size_t natural = snaprill::zlibtest::zlibInflatedSize(stream, std::size_t{1} << 20);
  check(stream, natural, step, false);
  check(stream, natural + 1, step, false);
  if (natural > 0) check(stream, natural - 1, step, false);
  return 0;
}
