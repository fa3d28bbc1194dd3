// GIF image data: the variable-width LZW code stream and its packing into data
// sub-blocks.
//
//   min code size (1 byte) | { length n (1..255) | n bytes }* | 0x00
//
// Codes are packed least significant bit first. Clear = 2^m, end = 2^m + 1, table
// codes from 2^m + 2; widths run from m + 1 to 12 bits. The table is cleared (clear
// code written at the current width) when the next free code would be 4095.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_sink.h"

namespace snaprill {

// Packs bytes into data sub-blocks of at most 255 bytes; never writes an empty block.
class GifBlockWriter {
 public:
  explicit GifBlockWriter(ByteSink& out) : out_(out) {}
  void put(std::uint8_t byte) {
    block_[++count_] = byte;
    if (count_ == 255) flushBlock();
  }
  // Writes the last, shorter block if any bytes remain (not the terminator).
  void finish() {
    if (count_ > 0) flushBlock();
  }

 private:
  void flushBlock();
  ByteSink& out_;
  std::uint8_t block_[256] = {};
  std::size_t count_ = 0;
};

class LzwEncoder {
 public:
  // Encodes width x height indexes (rows top first, stride bytes apart), each less
  // than colors, with minimum code size m (2..8), through writer. Throws
  // FormatError (ColourNotInTable) for an index not less than colors.
  static void encode(const std::uint8_t* indexes, int width, int height, std::size_t stride,
                     int colors, int m, GifBlockWriter& writer);
};

}  // namespace snaprill
