// Unaligned native-endian 32-bit loads and stores for row loops that move pixels a
// word at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace snaprill {

inline std::uint32_t load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace snaprill
