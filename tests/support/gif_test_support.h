// Reading back what the GIF encoder wrote: data sub-blocks and LZW code widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "base/byte_sink.h"
#include "formats/gif/gif_image.h"

namespace snaprill::testing {

inline std::vector<std::uint8_t> gifBytes(const GifImage& gif) {
  MemorySink sink;
  gif.saveToStream(sink);
  return sink.bytes;
}

// An 8-bit picture of the given indexes under a 256-entry palette.
inline Bitmap indexedPicture(int w, int h, const std::vector<std::uint8_t>& indexes) {
  Bitmap b(w, h, 8);
  b.palette().resize(256);
  for (int i = 0; i < 256; ++i) b.palette()[static_cast<std::size_t>(i)] = {std::uint8_t(i), 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.row(y)[x] = indexes[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x];
  return b;
}

inline std::vector<std::uint8_t> noise(std::size_t n, unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

struct SubBlocks {
  std::vector<std::size_t> lengths;
  std::vector<std::uint8_t> data;
  std::size_t end = 0;  // position after the terminator
};

inline SubBlocks readSubBlocks(const std::vector<std::uint8_t>& bytes, std::size_t pos) {
  SubBlocks s;
  while (bytes.at(pos) != 0) {
    const std::size_t n = bytes[pos];
    s.lengths.push_back(n);
    s.data.insert(s.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos + 1),
                  bytes.begin() + static_cast<std::ptrdiff_t>(pos + 1 + n));
    pos += n + 1;
  }
  s.end = pos + 1;
  return s;
}

// The codes of an LZW stream with the width each was read at, following the
// decoder's width rule (a code's entry is made when the next code is read).
struct Code {
  unsigned value;
  int width;
};

inline std::vector<Code> readCodes(const std::vector<std::uint8_t>& data, int m) {
  std::vector<Code> codes;
  const unsigned clear = 1u << m;
  int width = m + 1;
  unsigned next = clear + 2;
  bool first = true;
  std::size_t bit = 0;
  while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
    unsigned v = 0;
    for (int i = 0; i < width; ++i, ++bit) v |= ((data[bit / 8] >> (bit % 8)) & 1u) << i;
    codes.push_back({v, width});
    if (v == clear + 1) break;
    if (v == clear) {
      width = m + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (!first && next < 4096) ++next;
    first = false;
    if (next == (1u << width) && width < 12) ++width;
  }
  return codes;
}

}  // namespace snaprill::testing
