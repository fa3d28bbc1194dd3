// The outer layout of a PNG file: its 8-byte signature, then chunks of
// length (4, big-endian, data bytes only) | type (4) | data | CRC (4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/unaligned.h"

namespace snaprill {

inline constexpr std::uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline bool startsWithPngSignature(const std::uint8_t* file, std::size_t size) {
  return size >= sizeof kPngSignature &&
         std::memcmp(file, kPngSignature, sizeof kPngSignature) == 0;
}

// For a file that starts with the signature: false when a chunk before IEND
// claims more bytes than the file has left. A file that merely ends inside a
// chunk header passes: a reader stops there on its own, whereas some reserve what
// a whole chunk claims before reading it.
inline bool pngChunksFit(const std::uint8_t* file, std::size_t size) {
  for (std::size_t pos = sizeof kPngSignature; size - pos >= 12;) {
    const std::uint32_t length = loadBe32(file + pos);
    if (length > size - pos - 12) return false;
    if (std::memcmp(file + pos + 4, "IEND", 4) == 0) break;
    pos += 12 + std::size_t{length};
  }
  return true;
}

}  // namespace snaprill
