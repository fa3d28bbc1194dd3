// zlib streams for the inflater's tests and fuzz target: made by zlib's deflate, and
// inflated by zlib's inflate as the reference the inflater must agree with.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/png/png_filters.h"

namespace snaprill::zlibtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes deflateZlib(const Bytes& raw, int level, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, 15, 8, strategy);
  Bytes out(deflateBound(&s, static_cast<uLong>(raw.size())));
  s.next_in = const_cast<Bytef*>(raw.data());
  s.avail_in = static_cast<uInt>(raw.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// What zlib makes of a stream inflated into exactly `outputSize` bytes: success only when the
// stream ends (Adler-32 checked) having filled them all.
struct Reference {
  bool ok = false;
  Bytes bytes;
};

inline Reference zlibInflate(const Bytes& stream, std::size_t outputSize) {
  Reference r;
  r.bytes.resize(outputSize + 1);  // never empty: zlib refuses a null output pointer
  z_stream s{};
  inflateInit(&s);
  s.next_in = const_cast<Bytef*>(stream.data());
  s.avail_in = static_cast<uInt>(stream.size());
  s.next_out = r.bytes.data();
  s.avail_out = static_cast<uInt>(outputSize);
  const int result = inflate(&s, Z_FINISH);
  r.ok = result == Z_STREAM_END && s.total_out == outputSize;
  r.bytes.resize(s.total_out);
  inflateEnd(&s);
  return r;
}

// Where zlib's inflate ends a stream given room enough: its natural size, or how far it got.
inline std::size_t zlibInflatedSize(const Bytes& stream, std::size_t most) {
  Bytes out(most + 1);
  z_stream s{};
  inflateInit(&s);
  s.next_in = const_cast<Bytef*>(stream.data());
  s.avail_in = static_cast<uInt>(stream.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(most);
  inflate(&s, Z_FINISH);
  const std::size_t size = s.total_out;
  inflateEnd(&s);
  return size;
}

// The filtered RGB rows of a screenshot-like picture, as a PNG encoder gives them to deflate:
// a flat desktop, a light window with lines of glyph-like dots, and a noisy photo; Sub, Up and
// Paeth filters by turns, as adaptive encoders pick them.
inline Bytes screenshotRows(std::size_t width, std::size_t height, std::uint32_t seed = 1) {
  Bytes rows, prior(3 * width, 0), row(3 * width), filtered(3 * width);
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const bool window = x > width / 8 && x < width * 5 / 8 && y > height / 10;
      const bool dot = window && y % 16 < 10 && (x * 7 + y * 3) % 5 == 0 && seed >> 30 == 0;
      const bool photo = x > width * 3 / 4 && y > height / 2;
      const std::uint8_t rgb[3] = {0, 99, 140};
      for (std::size_t c = 0; c < 3; ++c)
        row[3 * x + c] = static_cast<std::uint8_t>(photo    ? x + y + (seed >> (8 + 4 * c) & 15)
                                                   : dot    ? 0
                                                   : window ? 240
                                                            : rgb[c]);
    }
    const std::uint8_t type = y % 3 == 0 ? png::kSub : y % 3 == 1 ? png::kUp : png::kPaeth;
    png::filterRow(type, row.data(), prior.data(), filtered.data(), row.size(), 3);
    rows.push_back(type);
    rows.insert(rows.end(), filtered.begin(), filtered.end());
    prior = row;
  }
  return rows;
}

}  // namespace snaprill::zlibtest
