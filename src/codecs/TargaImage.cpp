#include "codecs/TargaImage.h"

#include <algorithm>
#include <cstring>

#include "platform/atomic_file.h"

namespace snaprill {

namespace {

constexpr int kMaxPacket = 128;

bool samePixel(const std::uint8_t* a, const std::uint8_t* b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

// Rows of the picture as B G R triples, for any pixel format.
void bgrRow(const Bitmap& picture, int y, std::uint8_t* dst) {
  const int w = picture.width();
  if (picture.bitsPerPixel() == 32) {
    const std::uint8_t* src = picture.row(y);
    for (int x = 0; x < w; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
    return;
  }
  if (picture.bitsPerPixel() == 24) {
    std::memcpy(dst, picture.row(y), 3 * static_cast<std::size_t>(w));
    return;
  }
  for (int x = 0; x < w; ++x, dst += 3) {
    const Rgb c = picture.pixel(x, y);
    dst[0] = c.b;
    dst[1] = c.g;
    dst[2] = c.r;
  }
}

}  // namespace

std::size_t EncodeTargaRow(const std::uint8_t* bgr, int width, std::uint8_t* out) {
  const auto px = [bgr](int i) { return bgr + 3 * static_cast<std::size_t>(i); };
  std::uint8_t* o = out;
  int i = 0;
  while (i < width) {
    if (i + 1 < width && samePixel(px(i), px(i + 1))) {
      int n = 2;
      while (n < kMaxPacket && i + n < width && samePixel(px(i + n), px(i))) ++n;
      *o++ = static_cast<std::uint8_t>(0x80 + n - 1);
      std::memcpy(o, px(i), 3);
      o += 3;
      i += n;
      continue;
    }
    int n = 1;
    while (i + n < width) {
      if (n == kMaxPacket - 1) {
        ++n;  // the 128th pixel closes the packet without the run test
        break;
      }
      const int j = i + n;
      if (j + 1 < width && samePixel(px(j), px(j + 1))) break;
      ++n;
    }
    *o++ = static_cast<std::uint8_t>(n - 1);
    std::memcpy(o, px(i), 3 * static_cast<std::size_t>(n));
    o += 3 * n;
    i += n;
  }
  return static_cast<std::size_t>(o - out);
}

void TTarga::Assign(const Bitmap& picture) {
  bitmap_ = picture.convertedTo(32);
}

void TTarga::SaveToStream(ByteSink& out) const {
  const int w = bitmap_.width();
  const int h = bitmap_.height();
  const bool rle = TargaFormat == 5;
  std::uint8_t header[18] = {};
  header[2] = rle ? 10 : 2;
  header[12] = static_cast<std::uint8_t>(w);
  header[13] = static_cast<std::uint8_t>(w >> 8);
  header[14] = static_cast<std::uint8_t>(h);
  header[15] = static_cast<std::uint8_t>(h >> 8);
  header[16] = 24;
  out.write(header, sizeof header);

  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  std::vector<std::uint8_t> row(rowBytes);
  // Encoded rows are gathered and written in large pieces.
  std::vector<std::uint8_t> chunk;
  const std::size_t flushAt = std::max<std::size_t>(std::size_t{1} << 20, 2 * rowBytes);
  chunk.reserve(flushAt + 2 * rowBytes);
  for (int y = h - 1; y >= 0; --y) {
    bgrRow(bitmap_, y, row.data());
    const std::size_t used = chunk.size();
    if (rle) {
      // An encoded row never exceeds 4 bytes per pixel.
      chunk.resize(used + 4 * static_cast<std::size_t>(w));
      chunk.resize(used + EncodeTargaRow(row.data(), w, chunk.data() + used));
    } else {
      chunk.insert(chunk.end(), row.begin(), row.end());
    }
    if (chunk.size() >= flushAt) {
      out.write(chunk);
      chunk.clear();
    }
  }
  out.write(chunk);
}

void TTarga::SaveTargaFile(const std::string& path) const {
  AtomicFile file(path);
  SaveToStream(file);
  file.commit();
}

}  // namespace snaprill
