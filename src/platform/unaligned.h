// Unaligned native-endian 32-bit loads and stores for row loops that move pixels a
// word at a time, and the big-endian load of file formats that store numbers so.
#pragma once

#include <cstdint>
#include <cstring>

namespace snaprill {

inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void store32(std::uint8_t* p, std::uint32_t v) {
  std::memcpy(p, &v, 4);
}

inline std::uint32_t loadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

}  // namespace snaprill
