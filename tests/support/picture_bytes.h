// Builders of small GIF, metafile and DIB files for reader tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace snaprill::testing {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
inline void set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A GIF89a file with one 8-bit image of the given indexes (row by row) and a
// global colour table. The LZW stream sends every index as a literal and a clear
// code often enough that codes stay 9 bits wide.
inline Bytes makeGif(int width, int height, const std::vector<std::uint8_t>& indexes,
                     const std::vector<Rgb>& colours, bool interlaced = false, int left = 0,
                     int top = 0, int screenWidth = -1, int screenHeight = -1) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
  put16(b, static_cast<unsigned>(screenWidth < 0 ? width : screenWidth));
  put16(b, static_cast<unsigned>(screenHeight < 0 ? height : screenHeight));
  b.push_back(0xF7);  // global table of 256 entries
  b.push_back(0);
  b.push_back(0);
  for (int i = 0; i < 256; ++i) {
    const Rgb c =
        i < static_cast<int>(colours.size()) ? colours[static_cast<std::size_t>(i)] : Rgb{};
    b.insert(b.end(), {c.r, c.g, c.b});
  }
  b.push_back(0x2C);
  put16(b, static_cast<unsigned>(left));
  put16(b, static_cast<unsigned>(top));
  put16(b, static_cast<unsigned>(width));
  put16(b, static_cast<unsigned>(height));
  b.push_back(interlaced ? 0x40 : 0);
  b.push_back(8);
  Bytes lzw;
  std::uint32_t acc = 0;
  int bits = 0;
  const auto emit = [&](unsigned code) {
    acc |= code << bits;
    bits += 9;
    while (bits >= 8) {
      lzw.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  // Rows in the order the file stores them.
  std::vector<int> rows;
  if (interlaced) {
    constexpr int kStart[] = {0, 4, 2, 1};
    constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  } else {
    for (int y = 0; y < height; ++y) rows.push_back(y);
  }
  int sinceClear = 0;
  emit(256);
  for (int y : rows)
    for (int x = 0; x < width; ++x) {
      if (++sinceClear == 250) {
        emit(256);
        sinceClear = 0;
      }
      emit(indexes[static_cast<std::size_t>(y * width + x)]);
    }
  emit(257);
  if (bits > 0) lzw.push_back(static_cast<std::uint8_t>(acc));
  for (std::size_t i = 0; i < lzw.size(); i += 255) {
    const std::size_t n = std::min<std::size_t>(255, lzw.size() - i);
    b.push_back(static_cast<std::uint8_t>(n));
    b.insert(b.end(), lzw.begin() + static_cast<long>(i), lzw.begin() + static_cast<long>(i + n));
  }
  b.push_back(0);
  b.push_back(0x3B);
  return b;
}

// BITMAPINFOHEADER and bottom-up rows of a 24-bit picture.
inline void makeDib24(const Bitmap& p, Bytes& info, Bytes& bits) {
  info.clear();
  bits.clear();
  put32(info, 40);
  put32(info, static_cast<std::uint32_t>(p.width()));
  put32(info, static_cast<std::uint32_t>(p.height()));
  put16(info, 1);
  put16(info, 24);
  for (int i = 0; i < 6; ++i) put32(info, 0);
  const Bitmap q = p.convertedTo(24);
  for (int y = q.height() - 1; y >= 0; --y)
    bits.insert(bits.end(), q.row(y), q.row(y) + q.stride());
}

// An enhanced metafile whose only picture record is EMR_STRETCHDIBITS drawing
// picture at (x, y) scaled to dw x dh, on a canvas of the given size.
inline Bytes makeEmf(const Bitmap& picture, int canvasW, int canvasH, int x, int y, int dw,
                     int dh) {
  Bytes info, bits;
  makeDib24(picture, info, bits);
  Bytes b;
  // EMR_HEADER, 88 bytes.
  put32(b, 1);
  put32(b, 88);
  for (int v : {0, 0, canvasW - 1, canvasH - 1}) put32(b, static_cast<std::uint32_t>(v));
  for (int v : {0, 0, canvasW * 2646 / 100, canvasH * 2646 / 100})
    put32(b, static_cast<std::uint32_t>(v));
  put32(b, 0x464D4520);
  put32(b, 0x10000);
  put32(b, 0);  // file size, set below
  put32(b, 3);
  put16(b, 1);
  put16(b, 0);
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  for (int v : {1920, 1080, 508, 286}) put32(b, static_cast<std::uint32_t>(v));
  // EMR_STRETCHDIBITS.
  const std::size_t rec = b.size();
  const auto recSize = static_cast<std::uint32_t>(80 + info.size() + bits.size());
  put32(b, 81);
  put32(b, recSize);
  for (int v : {x, y, x + dw - 1, y + dh - 1}) put32(b, static_cast<std::uint32_t>(v));
  for (int v : {x, y, 0, 0, picture.width(), picture.height()})
    put32(b, static_cast<std::uint32_t>(v));
  put32(b, 80);
  put32(b, static_cast<std::uint32_t>(info.size()));
  put32(b, static_cast<std::uint32_t>(80 + info.size()));
  put32(b, static_cast<std::uint32_t>(bits.size()));
  put32(b, 0);
  put32(b, 0x00CC0020);
  put32(b, static_cast<std::uint32_t>(dw));
  put32(b, static_cast<std::uint32_t>(dh));
  b.insert(b.end(), info.begin(), info.end());
  b.insert(b.end(), bits.begin(), bits.end());
  (void)rec;
  // EMR_EOF.
  put32(b, 14);
  put32(b, 20);
  put32(b, 0);
  put32(b, 16);
  put32(b, 20);
  set32(b, 48, static_cast<std::uint32_t>(b.size()));
  return b;
}

// A placeable Windows metafile with one META_STRETCHDIB record; the bounding box is
// in units of 1/unitsPerInch inch (by default 1/96 inch, so units are pixels).
inline Bytes makeWmf(const Bitmap& picture, int canvasW, int canvasH, int x, int y, int dw, int dh,
                     int unitsPerInch = 96) {
  Bytes info, bits;
  makeDib24(picture, info, bits);
  Bytes b;
  put32(b, 0x9AC6CDD7);
  put16(b, 0);
  for (int v : {0, 0, canvasW, canvasH}) put16(b, static_cast<unsigned>(v));
  put16(b, static_cast<unsigned>(unitsPerInch));
  put32(b, 0);
  put16(b, 0);  // checksum (not checked)
  put16(b, 1);
  put16(b, 9);
  put16(b, 0x300);
  put32(b, 0);
  put16(b, 0);
  put32(b, 0);
  put16(b, 0);
  const auto words = static_cast<std::uint32_t>(3 + 11 + (info.size() + bits.size()) / 2);
  put32(b, words);
  put16(b, 0x0F43);
  put32(b, 0x00CC0020);
  for (int v : {0, picture.height(), picture.width(), 0, 0, dh, dw, y, x})
    put16(b, static_cast<unsigned>(v));
  b.insert(b.end(), info.begin(), info.end());
  b.insert(b.end(), bits.begin(), bits.end());
  if (b.size() % 2) b.push_back(0);
  put32(b, 3);
  put16(b, 0);
  return b;
}

}  // namespace snaprill::testing
