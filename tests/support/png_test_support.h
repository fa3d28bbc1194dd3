// Helpers of the PNG tests: building PNG files chunk by chunk and taking them apart.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace snaprill::pngtest {

using Bytes = std::vector<std::uint8_t>;

inline void appendBe32(Bytes& b, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline std::uint32_t readBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

struct Chunk {
  std::string type;
  Bytes data;
  std::uint32_t crc = 0;   // as stored in the file
  std::size_t offset = 0;  // of the length field
};

inline const Bytes kSignature = {137, 80, 78, 71, 13, 10, 26, 10};

// A chunk with its CRC computed by zlib (independently of the code under test).
inline void appendChunk(Bytes& file, const std::string& type, const Bytes& data) {
  appendBe32(file, static_cast<std::uint32_t>(data.size()));
  file.insert(file.end(), type.begin(), type.end());
  file.insert(file.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  appendBe32(file, static_cast<std::uint32_t>(crc));
}

inline Bytes pngFile(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes file = kSignature;
  for (const auto& [type, data] : chunks) appendChunk(file, type, data);
  return file;
}

inline Bytes ihdr(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t type,
                  std::uint8_t interlace = 0) {
  Bytes d;
  appendBe32(d, w);
  appendBe32(d, h);
  d.insert(d.end(), {depth, type, 0, 0, interlace});
  return d;
}

inline Bytes zlibCompress(const Bytes& raw, int level = 6) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level);
  out.resize(size);
  return out;
}

inline Bytes zlibInflate(const Bytes& compressed) {
  z_stream s{};
  inflateInit(&s);
  Bytes out;
  std::uint8_t buffer[16384];
  s.next_in = const_cast<Bytef*>(compressed.data());
  s.avail_in = static_cast<uInt>(compressed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    s.next_out = buffer;
    s.avail_out = sizeof buffer;
    result = inflate(&s, Z_NO_FLUSH);
    out.insert(out.end(), buffer, buffer + (sizeof buffer - s.avail_out));
  }
  inflateEnd(&s);
  if (result != Z_STREAM_END) out.clear();
  return out;
}

// The chunks of a file (empty when the signature is wrong or a chunk is cut).
inline std::vector<Chunk> chunksOf(const Bytes& file) {
  std::vector<Chunk> out;
  if (file.size() < 8 || !std::equal(kSignature.begin(), kSignature.end(), file.begin()))
    return out;
  std::size_t pos = 8;
  while (file.size() - pos >= 12) {
    Chunk c;
    c.offset = pos;
    const std::uint32_t length = readBe32(&file[pos]);
    if (file.size() - pos - 12 < length) return {};
    c.type.assign(reinterpret_cast<const char*>(&file[pos + 4]), 4);
    c.data.assign(file.begin() + static_cast<long>(pos + 8),
                  file.begin() + static_cast<long>(pos + 8 + length));
    c.crc = readBe32(&file[pos + 8 + length]);
    out.push_back(std::move(c));
    pos += 12 + length;
  }
  return out;
}

// The concatenated IDAT data of a file, inflated.
inline Bytes imageData(const Bytes& file) {
  Bytes stream;
  for (const Chunk& c : chunksOf(file))
    if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
  return zlibInflate(stream);
}

}  // namespace snaprill::pngtest
