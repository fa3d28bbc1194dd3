// CRC-32 of PNG chunks: reflected polynomial 0xEDB88320, register starting at all
// ones, complemented at the end; computed over the chunk type and the data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace snaprill {

// Running CRC: start with kPngCrcStart, feed bytes with updatePngCrc, and
// finish with finishPngCrc.
inline constexpr std::uint32_t kPngCrcStart = 0xFFFFFFFFu;
std::uint32_t updatePngCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size);
inline std::uint32_t finishPngCrc(std::uint32_t crc) {
  return crc ^ 0xFFFFFFFFu;
}

// The CRC of a whole chunk: its 4-byte type followed by its data.
std::uint32_t pngChunkCrc(const char type[4], const std::uint8_t* data, std::size_t size);

}  // namespace snaprill
