// Reading PCX files (layout in PCXImage.h) for overlay pictures.
#include <algorithm>

#include "base/errors.h"
#include "base/unaligned.h"
#include "formats/pcx/pcx.h"

namespace snaprill {

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kPaletteBytes = 769;  // 0x0C and 256 R G B triples
// One count byte and its value stand for at most 63 bytes.
constexpr std::size_t kMaxExpansion = 63;

// Decodes at most limit bytes. Runs may cross plane lines; a run that passes the
// limit is cut there. 0xC0 carries no count, so it reads as a plain 192.
std::vector<std::uint8_t> decode(const std::uint8_t* p, const std::uint8_t* end,
                                 std::size_t limit) {
  std::vector<std::uint8_t> out;
  out.reserve(std::min(limit, kMaxExpansion * static_cast<std::size_t>(end - p) + 1));
  while (p != end && out.size() < limit) {
    std::uint8_t value = *p++;
    std::size_t count = 1;
    if (value > 0xC0) {
      if (p == end) break;
      count = value - 0xC0u;
      value = *p++;
    }
    out.insert(out.end(), std::min(count, limit - out.size()), value);
  }
  return out;
}

}  // namespace

Bitmap readPcx(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) throw ReadError("PCX header truncated");
  if (data[0] != 10) throw ReadError("Not a PCX file");
  if (data[2] != 1) throw ReadError("Unsupported PCX encoding");
  const unsigned bits = data[3];
  const unsigned planes = data[65];
  const unsigned xmin = loadLe16(data + 4), ymin = loadLe16(data + 6);
  const unsigned xmax = loadLe16(data + 8), ymax = loadLe16(data + 10);
  if (xmax < xmin || ymax < ymin) throw ReadError("PCX image has no pixels");
  const std::size_t w = xmax - xmin + 1, h = ymax - ymin + 1;
  const std::size_t bytesPerLine = loadLe16(data + 66);
  if (bits != 8 || (planes != 1 && planes != 3 && planes != 4)) {
    throw ReadError("Unsupported PCX format");
  }
  if (bytesPerLine < w) throw ReadError("PCX plane lines shorter than the picture");

  const std::uint8_t* end = data + size;
  const std::uint8_t* palette = nullptr;
  if (planes == 1 && size >= kHeaderBytes + kPaletteBytes && end[-769] == 0x0C) {
    palette = end - 768;
    end -= kPaletteBytes;
  }
  const std::size_t available = static_cast<std::size_t>(end - data) - kHeaderBytes;
  const std::size_t rows = h * planes;
  // Refuse claimed sizes the data cannot hold before allocating for them.
  if (rows * w / kMaxExpansion > available) throw ReadError("PCX data truncated");
  std::vector<std::uint8_t> pixels = decode(data + kHeaderBytes, end, rows * bytesPerLine);

  // Lines of exactly the width where the header claims one more byte: as written by
  // encoders that skipped the pad byte of odd widths. No run crosses such a line,
  // so the decoded length tells the two layouts apart.
  std::size_t stride = bytesPerLine;
  if (pixels.size() < rows * bytesPerLine) {
    if (bytesPerLine == w + 1 && pixels.size() >= rows * w) {
      stride = w;
    } else {
      throw ReadError("PCX data truncated");
    }
  }

  Bitmap out;
  try {
    out = Bitmap(static_cast<int>(w), static_cast<int>(h), 24);
  } catch (const BitmapError& e) {
    throw ReadError(e.what());
  }
  const std::size_t rowBytes = stride * planes;
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* line = pixels.data() + y * rowBytes;
    std::uint8_t* dst = out.row(static_cast<int>(y));
    for (std::size_t x = 0; x < w; ++x, dst += 3) {
      if (planes == 1) {
        const std::uint8_t i = line[x];
        const std::uint8_t* c = palette ? palette + 3 * std::size_t{i} : nullptr;
        dst[0] = c ? c[2] : i;
        dst[1] = c ? c[1] : i;
        dst[2] = c ? c[0] : i;
      } else {
        dst[0] = line[2 * stride + x];
        dst[1] = line[stride + x];
        dst[2] = line[x];
      }
    }
  }
  return out;
}

}  // namespace snaprill
