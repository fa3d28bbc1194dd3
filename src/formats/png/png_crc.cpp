#include "formats/png/png_crc.h"

#include <array>

namespace snaprill {

namespace {

// Built the first time a CRC is asked for; static local initialisation is
// thread-safe, so no caller ever sees half a table.
const std::array<std::uint32_t, 256>& crcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

}  // namespace

std::uint32_t updatePngCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  const auto& table = crcTable();
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
  return crc;
}

std::uint32_t pngChunkCrc(const char type[4], const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = updatePngCrc(kPngCrcStart, reinterpret_cast<const std::uint8_t*>(type), 4);
  return finishPngCrc(updatePngCrc(crc, data, size));
}

}  // namespace snaprill
