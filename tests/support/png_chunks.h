// Writing PNG files by hand, chunk by chunk, for tests and fuzz targets that need
// files no encoder would write (chosen filters, lying headers).
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace snaprill::testing {

inline void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Appends a chunk: length, type, data and the CRC of type and data.
inline void putPngChunk(std::vector<std::uint8_t>& out, const char* type,
                        const std::vector<std::uint8_t>& data) {
  putBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBe32(out, static_cast<std::uint32_t>(
                   crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

}  // namespace snaprill::testing
