#include "formats/targa/targa.h"

#include <algorithm>
#include <cstring>

namespace snaprill {

namespace {

constexpr int kMaxPacket = 128;
constexpr int kMaxSide = 65535;

// Rows are encoded straight from the picture's own pixels; Step is the distance
// between pixels (4 for B G R X, 3 for B G R). Pixels compare as one 24-bit key.
template <int Step>
std::uint32_t pixelKey(const std::uint8_t* p) {
  if constexpr (Step == 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v & 0xFFFFFFu;  // little-endian: B G R in the low three bytes
  } else {
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  }
}

// Copies n pixels as B G R triples. With Step 4 each pixel is stored as 4 bytes
// whose last one the next pixel overwrites, so out needs one spare byte.
template <int Step>
std::uint8_t* copyPixels(const std::uint8_t* src, int n, std::uint8_t* out) {
  if constexpr (Step == 4) {
    for (int k = 0; k < n; ++k, src += 4, out += 3) std::memcpy(out, src, 4);
    return out;
  } else {
    std::memcpy(out, src, 3 * static_cast<std::size_t>(n));
    return out + 3 * n;
  }
}

template <int Step>
std::size_t encodeRow(const std::uint8_t* row, int width, std::uint8_t* out) {
  const auto px = [row](int i) { return row + Step * static_cast<std::size_t>(i); };
  const auto key = [&px](int i) { return pixelKey<Step>(px(i)); };
  std::uint8_t* o = out;
  int i = 0;
  while (i < width) {
    const std::uint32_t first = key(i);
    if (i + 1 < width && key(i + 1) == first) {
      const int end = std::min(width, i + kMaxPacket);
      int j = i + 2;
      if constexpr (Step == 4) {
        // Flat areas are checked two pixels at a time.
        const std::uint64_t pair = first | (std::uint64_t{first} << 32);
        while (j + 2 <= end) {
          std::uint64_t v;
          std::memcpy(&v, px(j), 8);
          if ((v & 0x00FFFFFF00FFFFFFu) != pair) break;
          j += 2;
        }
      }
      while (j < end && key(j) == first) ++j;
      const int n = j - i;
      *o++ = static_cast<std::uint8_t>(0x80 + n - 1);
      *o++ = static_cast<std::uint8_t>(first);
      *o++ = static_cast<std::uint8_t>(first >> 8);
      *o++ = static_cast<std::uint8_t>(first >> 16);
      i += n;
      continue;
    }
    // A raw packet stops before a pixel equal to its right neighbour, or after its
    // 128th pixel (which is taken without that test).
    int n = 1;
    std::uint32_t next = i + 1 < width ? key(i + 1) : 0;
    while (i + n < width) {
      if (n == kMaxPacket - 1) {
        ++n;
        break;
      }
      const int j = i + n;
      const std::uint32_t after = j + 1 < width ? key(j + 1) : ~0u;
      if (after == next) break;
      next = after;
      ++n;
    }
    *o++ = static_cast<std::uint8_t>(n - 1);
    o = copyPixels<Step>(px(i), n, o);
    i += n;
  }
  return static_cast<std::size_t>(o - out);
}

// B G R triples of a row of a picture of fewer than 24 bits per pixel.
void bgrRow(const Bitmap& picture, int y, std::uint8_t* dst) {
  for (int x = 0; x < picture.width(); ++x, dst += 3) {
    const Rgb c = picture.pixel(x, y);
    dst[0] = c.b;
    dst[1] = c.g;
    dst[2] = c.r;
  }
}

// Pieces of about this size go to the sink.
constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

}  // namespace

std::size_t encodeTargaRow(const std::uint8_t* bgr, int width, std::uint8_t* out) {
  return encodeRow<3>(bgr, width, out);
}

void writeTarga(const Bitmap& picture, std::uint8_t targaFormat, ByteSink& out) {
  const int w = picture.width();
  const int h = picture.height();
  // Width and height are 16-bit fields: a larger side would be written cut to its
  // low bits, and every reader would show a sliver of the picture.
  if (w > kMaxSide || h > kMaxSide)
    throw FormatError(FormatErrorKind::TooLarge, "The bitmap is too large for a Targa file");
  const bool rle = targaFormat == 5;
  std::uint8_t header[18] = {};
  header[2] = rle ? 10 : 2;
  header[12] = static_cast<std::uint8_t>(w);
  header[13] = static_cast<std::uint8_t>(w >> 8);
  header[14] = static_cast<std::uint8_t>(h);
  header[15] = static_cast<std::uint8_t>(h >> 8);
  header[16] = 24;
  out.write(header, sizeof header);
  if (picture.empty()) return;

  const int bpp = picture.bitsPerPixel();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  // Room for the largest encoded row (3 bytes a pixel plus a packet byte per 128
  // pixels, and the spare byte of copyPixels) and for a whole uncompressed row.
  const std::size_t rowRoom = 4 * static_cast<std::size_t>(w) + 4;
  std::vector<std::uint8_t> converted(bpp == 32 || bpp == 24 ? 0 : rowBytes);
  std::vector<std::uint8_t> chunk(std::max(kChunkBytes, rowRoom) + rowRoom);
  const std::size_t flushAt = chunk.size() - rowRoom;
  std::size_t used = 0;
  for (int y = h - 1; y >= 0; --y) {
    std::uint8_t* o = chunk.data() + used;
    const std::uint8_t* src = picture.row(y);
    if (bpp == 32) {
      used +=
          rle ? encodeRow<4>(src, w, o) : static_cast<std::size_t>(copyPixels<4>(src, w, o) - o);
    } else {
      if (bpp != 24) {
        bgrRow(picture, y, converted.data());
        src = converted.data();
      }
      used +=
          rle ? encodeRow<3>(src, w, o) : static_cast<std::size_t>(copyPixels<3>(src, w, o) - o);
    }
    if (used >= flushAt) {
      out.write(chunk.data(), used);
      used = 0;
    }
  }
  out.write(chunk.data(), used);
}

}  // namespace snaprill
