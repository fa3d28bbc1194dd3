// Reading PCX files (layout in pcx.h) for overlay pictures.
#include <algorithm>
#include <array>

#include "base/unaligned.h"
#include "formats/format_error.h"
#include "formats/pcx/pcx.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kPaletteBytes = 769;  // 0x0C and 256 R G B triples
// One count byte and its value stand for at most 63 bytes.
constexpr std::size_t kMaxRun = 63;

// The EGA colours, for version 3 files, which carry no palette of their own.
constexpr std::array<Rgb, 16> kEgaPalette = {{{0, 0, 0},
                                              {0, 0, 170},
                                              {0, 170, 0},
                                              {0, 170, 170},
                                              {170, 0, 0},
                                              {170, 0, 170},
                                              {170, 85, 0},
                                              {170, 170, 170},
                                              {85, 85, 85},
                                              {85, 85, 255},
                                              {85, 255, 85},
                                              {85, 255, 255},
                                              {255, 85, 85},
                                              {255, 85, 255},
                                              {255, 255, 85},
                                              {255, 255, 255}}};

// The run-length decoder. Runs may cross plane lines; 0xC0 carries no count, so it
// reads as a plain 192.
class RunDecoder {
 public:
  RunDecoder(const std::uint8_t* p, const std::uint8_t* end) : p_(p), end_(end) {}

  // Fills out with the next n bytes; returns how many the data held.
  std::size_t fill(std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
      if (pending_ == 0 && !nextPacket()) break;
      const std::size_t take = std::min(pending_, n - done);
      std::fill_n(out + done, take, value_);
      done += take;
      pending_ -= take;
    }
    return done;
  }

  // Decodes and drops up to limit bytes; returns how many the data held.
  std::size_t skip(std::size_t limit) {
    std::size_t done = 0;
    while (done < limit) {
      if (pending_ == 0 && !nextPacket()) break;
      const std::size_t take = std::min(pending_, limit - done);
      done += take;
      pending_ -= take;
    }
    return done;
  }

 private:
  bool nextPacket() {
    if (p_ == end_) return false;
    value_ = *p_++;
    pending_ = 1;
    if (value_ > 0xC0) {
      if (p_ == end_) return false;
      pending_ = value_ - 0xC0u;
      value_ = *p_++;
    }
    return true;
  }

  const std::uint8_t* p_;
  const std::uint8_t* end_;
  std::size_t pending_ = 0;
  std::uint8_t value_ = 0;
};

struct Layout {
  unsigned version, bits, planes;
  std::size_t width, height, bytesPerLine;
  // Bytes of a plane line that hold pixels.
  std::size_t lineBytes() const { return (width * bits + 7) / 8; }
  bool trueColour() const { return bits == 8 && planes >= 3; }
};

Layout readLayout(const std::uint8_t* data) {
  if (data[0] != 10 || data[1] > 5)
    throw FormatError(FormatErrorKind::NotThisFormat, "Not a PCX file");
  if (data[2] != 1)
    throw FormatError(FormatErrorKind::Unsupported,
                      "Unsupported PCX encoding " + std::to_string(data[2]));
  Layout l{data[1], data[3], data[65], 0, 0, loadLe16(data + 66)};
  const unsigned xmin = loadLe16(data + 4), ymin = loadLe16(data + 6);
  const unsigned xmax = loadLe16(data + 8), ymax = loadLe16(data + 10);
  if (xmax < xmin || ymax < ymin)
    throw FormatError(FormatErrorKind::Empty, "PCX image has no pixels");
  l.width = xmax - xmin + 1;
  l.height = ymax - ymin + 1;
  // 8 bits in 1, 3 or 4 planes (a fourth plane is ignored); 1 bit in up to four
  // planes (monochrome, 4, 8 or 16 colours); 2 or 4 bits in one plane.
  const bool known = (l.bits == 8 && (l.planes == 1 || l.planes == 3 || l.planes == 4)) ||
                     (l.bits == 1 && l.planes >= 1 && l.planes <= 4) ||
                     ((l.bits == 2 || l.bits == 4) && l.planes == 1);
  if (!known) {
    throw FormatError(FormatErrorKind::Unsupported,
                      "Unsupported PCX format: " + std::to_string(l.planes) + " planes of " +
                          std::to_string(l.bits) + " bits");
  }
  if (!withinPixelBudget(l.width, l.height))
    throw FormatError(FormatErrorKind::TooLarge, "PCX image is too large");
  if (l.bytesPerLine < l.lineBytes())
    throw FormatError(FormatErrorKind::Damaged, "PCX plane lines shorter than the picture");
  return l;
}

// The colours of an indexed picture.
std::vector<Rgb> colourTable(const Layout& l, const std::uint8_t* data,
                             const std::uint8_t* endPalette) {
  std::vector<Rgb> table;
  if (l.bits == 8) {
    // The palette at the end; without it, gray.
    for (unsigned i = 0; i < 256; ++i) {
      const std::uint8_t* c = endPalette ? endPalette + 3 * i : nullptr;
      const auto v = static_cast<std::uint8_t>(i);
      table.push_back(c ? Rgb{c[0], c[1], c[2]} : Rgb{v, v, v});
    }
    return table;
  }
  if (l.version == 3) {
    table.assign(kEgaPalette.begin(), kEgaPalette.end());
  } else {
    for (unsigned i = 0; i < 16; ++i) {
      const std::uint8_t* c = data + 16 + 3 * i;
      table.push_back({c[0], c[1], c[2]});
    }
  }
  // Monochrome files mostly leave the palette empty: black and white then.
  if (l.bits == 1 && l.planes == 1 && (l.version == 3 || table[0] == table[1])) {
    table = {{0, 0, 0}, {255, 255, 255}};
  }
  return table;
}

// Colour index of pixel x of a row of planes, stride bytes apart: plane k gives
// bits k * bits and up.
unsigned indexAt(const std::uint8_t* row, std::size_t stride, const Layout& l, std::size_t x) {
  const std::size_t bit = x * l.bits;
  const unsigned shift = static_cast<unsigned>(8 - l.bits - bit % 8);
  const unsigned mask = (1u << l.bits) - 1;
  unsigned index = 0;
  for (unsigned k = 0; k < l.planes; ++k) {
    index |= ((row[k * stride + bit / 8] >> shift) & mask) << (k * l.bits);
  }
  return index;
}

}  // namespace

Bitmap readPcx(const std::uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes) throw FormatError(FormatErrorKind::Truncated, "PCX header truncated");
  const Layout l = readLayout(data);

  const std::uint8_t* end = data + size;
  const std::uint8_t* endPalette = nullptr;
  if (l.bits == 8 && l.planes == 1 && size >= kHeaderBytes + kPaletteBytes && end[-769] == 0x0C) {
    endPalette = end - 768;
    end -= kPaletteBytes;
  }
  const std::uint8_t* const start = data + kHeaderBytes;
  const std::size_t available = static_cast<std::size_t>(end - start);
  const std::size_t lines = l.height * l.planes;
  // Refuse claimed sizes the data cannot hold before allocating for them: every two
  // bytes of data decode to at most 63.
  if (lines * l.lineBytes() > available / 2 * kMaxRun + available % 2) {
    throw FormatError(FormatErrorKind::Truncated, "PCX data truncated");
  }

  // Lines of exactly the pixels' bytes where the header claims one more: as written
  // by encoders that skipped the pad byte of odd widths. No run crosses such a
  // line, so the decoded length tells the two layouts apart.
  std::size_t stride = l.bytesPerLine;
  const std::size_t decoded = RunDecoder(start, end).skip(lines * l.bytesPerLine);
  if (decoded < lines * l.bytesPerLine) {
    if (l.bytesPerLine == l.lineBytes() + 1 && decoded >= lines * l.lineBytes()) {
      stride = l.lineBytes();
    } else {
      throw FormatError(FormatErrorKind::Truncated, "PCX data truncated");
    }
  }

  Bitmap out;
  try {
    out = Bitmap(static_cast<int>(l.width), static_cast<int>(l.height), 24);
  } catch (const BitmapError& e) {
    throw asFormatError(e);
  }
  const std::vector<Rgb> table =
      l.trueColour() ? std::vector<Rgb>{} : colourTable(l, data, endPalette);
  std::vector<std::uint8_t> row(stride * l.planes);
  RunDecoder runs(start, end);
  for (std::size_t y = 0; y < l.height; ++y) {
    runs.fill(row.data(), row.size());
    std::uint8_t* dst = out.row(static_cast<int>(y));
    for (std::size_t x = 0; x < l.width; ++x, dst += 3) {
      Rgb c;
      if (l.trueColour()) {
        c = {row[x], row[stride + x], row[2 * stride + x]};
      } else {
        const unsigned index = indexAt(row.data(), stride, l, x);
        if (index < table.size()) c = table[index];
      }
      dst[0] = c.b;
      dst[1] = c.g;
      dst[2] = c.r;
    }
  }
  return out;
}

}  // namespace snaprill
