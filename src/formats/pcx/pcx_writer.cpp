#include "formats/pcx/pcx.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace snaprill {

namespace {

constexpr unsigned kMaxRun = 63;

// Encodes one plane line at o, which has room for 2 * length bytes; returns the end.
std::uint8_t* encodePlane(const std::uint8_t* line, std::size_t length, std::uint8_t* o) {
  std::size_t j = 0;
  while (j < length) {
    const std::uint8_t value = line[j];
    const std::size_t limit = std::min(length, j + kMaxRun);
    std::size_t k = j + 1;
    // Long runs (flat screen areas) are checked eight bytes at a time.
    const std::uint64_t pattern = value * 0x0101010101010101u;
    while (k + 8 <= limit) {
      std::uint64_t word;
      std::memcpy(&word, line + k, 8);
      if (word != pattern) break;
      k += 8;
    }
    while (k < limit && line[k] == value) ++k;
    const auto count = static_cast<unsigned>(k - j);
    if (count > 1 || value >= 0xC0) *o++ = static_cast<std::uint8_t>(0xC0 + count);
    *o++ = value;
    j = k;
  }
  return o;
}

// Pieces of about this size go to the sink.
constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

std::array<std::uint8_t, 128> makeHeader(int width, int height, std::size_t bytesPerLine) {
  std::array<std::uint8_t, 128> h{};
  const auto put16 = [&h](std::size_t at, unsigned v) {
    h[at] = static_cast<std::uint8_t>(v);
    h[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  h[0] = 10;
  h[1] = 5;
  h[2] = 1;
  h[3] = 8;
  put16(8, static_cast<unsigned>(width - 1));
  put16(10, static_cast<unsigned>(height - 1));
  put16(12, 72);
  put16(14, 72);
  h[65] = 3;
  put16(66, static_cast<unsigned>(bytesPerLine));
  put16(68, 1);
  return h;
}

}  // namespace

void encodePcxLine(const std::uint8_t* line, std::size_t length, std::vector<std::uint8_t>& out) {
  const std::size_t used = out.size();
  out.resize(used + 2 * length);
  out.resize(static_cast<std::size_t>(encodePlane(line, length, out.data() + used) - out.data()));
}

void writePcx(const Bitmap& picture, ByteSink& out) {
  const int w = picture.width();
  const int h = picture.height();
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "The bitmap is empty");
  // Xmax, Ymax and bytes per line are 16-bit fields.
  if (w > 65534 || h > 65536)
    throw FormatError(FormatErrorKind::TooLarge, "The bitmap is too large for a PCX file");
  const auto width = static_cast<std::size_t>(w);
  const std::size_t bytesPerLine = width + (width & 1);
  const auto header = makeHeader(w, h, bytesPerLine);
  out.write(header.data(), header.size());

  // Plane lines sized to the picture; an odd width keeps its final 0 pad byte.
  std::vector<std::uint8_t> planes(3 * bytesPerLine, 0);
  std::uint8_t* red = planes.data();
  std::uint8_t* green = red + bytesPerLine;
  std::uint8_t* blue = green + bytesPerLine;
  // An encoded row takes at most twice its plane bytes.
  const std::size_t rowRoom = 2 * planes.size();
  std::vector<std::uint8_t> chunk(std::max(kChunkBytes, rowRoom) + rowRoom);
  const std::size_t flushAt = chunk.size() - rowRoom;
  std::uint8_t* const begin = chunk.data();
  std::uint8_t* o = begin;
  const int bpp = picture.bitsPerPixel();
  for (int y = 0; y < h; ++y) {
    if (bpp == 32 || bpp == 24) {
      const std::size_t step = static_cast<std::size_t>(bpp / 8);
      const std::uint8_t* src = picture.row(y);
      for (std::size_t x = 0; x < width; ++x, src += step) {
        blue[x] = src[0];
        green[x] = src[1];
        red[x] = src[2];
      }
    } else {
      for (int x = 0; x < w; ++x) {
        const Rgb c = picture.pixel(x, y);
        const auto i = static_cast<std::size_t>(x);
        red[i] = c.r;
        green[i] = c.g;
        blue[i] = c.b;
      }
    }
    o = encodePlane(red, bytesPerLine, o);
    o = encodePlane(green, bytesPerLine, o);
    o = encodePlane(blue, bytesPerLine, o);
    if (static_cast<std::size_t>(o - begin) >= flushAt) {
      out.write(begin, static_cast<std::size_t>(o - begin));
      o = begin;
    }
  }
  out.write(begin, static_cast<std::size_t>(o - begin));
}

}  // namespace snaprill
