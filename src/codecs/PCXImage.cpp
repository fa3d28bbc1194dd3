#include "codecs/PCXImage.h"

#include <algorithm>
#include <array>

#include "platform/atomic_file.h"

namespace snaprill {

namespace {

constexpr unsigned kMaxRun = 63;

void writeRun(std::uint8_t value, unsigned count, std::vector<std::uint8_t>& out) {
  if (count > 1 || value >= 0xC0) out.push_back(static_cast<std::uint8_t>(0xC0 + count));
  out.push_back(value);
}

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

void EncodePlaneLine(const std::uint8_t* line, std::size_t length, std::vector<std::uint8_t>& out) {
  if (length == 0) return;
  std::uint8_t value = line[0];
  unsigned count = 1;
  for (std::size_t j = 1; j < length; ++j) {
    if (line[j] == value) {
      if (++count == kMaxRun + 1) {
        writeRun(value, kMaxRun, out);
        count = 1;
      }
    } else {
      writeRun(value, count, out);
      value = line[j];
      count = 1;
    }
  }
  writeRun(value, count, out);
}

void TPCXImage::SaveToStream(ByteSink& out) const {
  const int w = bitmap_.width();
  const int h = bitmap_.height();
  if (bitmap_.empty()) throw PcxError("The bitmap is empty");
  // Xmax, Ymax and bytes per line are 16-bit fields.
  if (w > 65534 || h > 65536) throw PcxError("The bitmap is too large for a PCX file");
  const auto width = static_cast<std::size_t>(w);
  const std::size_t bytesPerLine = width + (width & 1);
  const auto header = makeHeader(w, h, bytesPerLine);

  // Plane lines sized to the picture; an odd width keeps its final 0 pad byte.
  std::vector<std::uint8_t> planes(3 * bytesPerLine, 0);
  std::uint8_t* red = planes.data();
  std::uint8_t* green = red + bytesPerLine;
  std::uint8_t* blue = green + bytesPerLine;
  std::vector<std::uint8_t> data;
  data.reserve(
      std::min<std::size_t>(2 * planes.size() * static_cast<std::size_t>(h), std::size_t{1} << 26));
  const int bpp = bitmap_.bitsPerPixel();
  for (int y = 0; y < h; ++y) {
    if (bpp == 32 || bpp == 24) {
      const std::size_t step = static_cast<std::size_t>(bpp / 8);
      const std::uint8_t* src = bitmap_.row(y);
      for (std::size_t x = 0; x < width; ++x, src += step) {
        blue[x] = src[0];
        green[x] = src[1];
        red[x] = src[2];
      }
    } else {
      for (int x = 0; x < w; ++x) {
        const Rgb c = bitmap_.pixel(x, y);
        const auto i = static_cast<std::size_t>(x);
        red[i] = c.r;
        green[i] = c.g;
        blue[i] = c.b;
      }
    }
    EncodePlaneLine(red, bytesPerLine, data);
    EncodePlaneLine(green, bytesPerLine, data);
    EncodePlaneLine(blue, bytesPerLine, data);
  }
  out.write(header.data(), header.size());
  out.write(data);
}

void TPCXImage::SavePcxFile(const std::string& path) const {
  if (bitmap_.empty()) throw PcxError("The bitmap is empty");
  AtomicFile file(path);
  SaveToStream(file);
  file.commit();
}

}  // namespace snaprill
