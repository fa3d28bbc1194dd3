// Reading Targa files (layout in targa.h) for overlay pictures.
#include <algorithm>
#include <cstring>
#include <utility>

#include "base/unaligned.h"
#include "formats/format_error.h"
#include "formats/reader_limits.h"
#include "formats/targa/targa.h"

namespace snaprill {

namespace {

constexpr std::size_t kMaxPacketPixels = 128;

enum class Kind { Mapped, TrueColour, Gray };

struct Header {
  unsigned idLength, mapType, imageType, mapFirst, mapLength, mapBits;
  int width, height;
  unsigned bits, descriptor;
};

Header parseHeader(const std::uint8_t* d) {
  return {d[0],
          d[1],
          d[2],
          loadLe16(d + 3),
          loadLe16(d + 5),
          d[7],
          static_cast<int>(loadLe16(d + 12)),
          static_cast<int>(loadLe16(d + 14)),
          d[16],
          d[17]};
}

Rgb fromFiveBits(unsigned v) {
  const auto widen = [](unsigned c) { return static_cast<std::uint8_t>((c << 3) | (c >> 2)); };
  return {widen((v >> 10) & 31u), widen((v >> 5) & 31u), widen(v & 31u)};
}

// Colour of one stored true-colour pixel or colour-map entry of the given bits.
Rgb trueColour(const std::uint8_t* p, unsigned bits) {
  if (bits <= 16) return fromFiveBits(loadLe16(p));
  return {p[2], p[1], p[0]};
}

unsigned bytesFor(unsigned bits) {
  return (bits + 7) / 8;
}

// Turns the stored bytes of one pixel into its colour.
class PixelReader {
 public:
  PixelReader(const Header& h, Kind kind, std::vector<Rgb> map)
      : kind_(kind), bits_(h.bits), first_(h.mapFirst), map_(std::move(map)) {}

  Rgb operator()(const std::uint8_t* p) const {
    switch (kind_) {
      case Kind::Gray:
        return {p[0], p[0], p[0]};
      case Kind::TrueColour:
        return trueColour(p, bits_);
      case Kind::Mapped: {
        const unsigned index = bits_ == 8 ? p[0] : loadLe16(p);
        // Indexes outside the map read as black rather than failing the picture.
        if (index < first_ || index - first_ >= map_.size()) return {};
        return map_[index - first_];
      }
    }
    return {};
  }

 private:
  Kind kind_;
  unsigned bits_;
  unsigned first_;
  std::vector<Rgb> map_;
};

// Places pixels in file order into the bitmap, honouring the origin bits.
class Placer {
 public:
  Placer(Bitmap& out, unsigned descriptor)
      : out_(out),
        rightToLeft_((descriptor & 0x10u) != 0),
        topFirst_((descriptor & 0x20u) != 0),
        total_(static_cast<std::size_t>(out.width()) * static_cast<std::size_t>(out.height())) {
    startRow();
  }
  std::size_t remaining() const { return total_ - placed_; }
  void put(Rgb c) {
    dst_[0] = c.b;
    dst_[1] = c.g;
    dst_[2] = c.r;
    ++placed_;
    if (++x_ == out_.width()) {
      x_ = 0;
      ++y_;
      if (placed_ < total_) startRow();
    } else {
      dst_ += step_;
    }
  }

 private:
  void startRow() {
    const int row = topFirst_ ? y_ : out_.height() - 1 - y_;
    dst_ = out_.row(row);
    step_ = 3;
    if (rightToLeft_) {
      dst_ += 3 * static_cast<std::size_t>(out_.width() - 1);
      step_ = -3;
    }
  }

  Bitmap& out_;
  bool rightToLeft_;
  bool topFirst_;
  std::size_t total_;
  std::size_t placed_ = 0;
  int x_ = 0;
  int y_ = 0;
  std::uint8_t* dst_ = nullptr;
  std::ptrdiff_t step_ = 3;
};

Kind kindOf(const Header& h) {
  const unsigned base = h.imageType & 7u;
  const bool known = h.imageType == base || h.imageType == base + 8;
  if (known && base == 1) {
    if (h.mapType != 1)
      throw FormatError(FormatErrorKind::Damaged, "Colour-mapped Targa image without a colour map");
    if (h.bits != 8 && h.bits != 16)
      throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa index size");
    return Kind::Mapped;
  }
  if (known && base == 2) {
    if (h.bits != 15 && h.bits != 16 && h.bits != 24 && h.bits != 32) {
      throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa pixel depth");
    }
    return Kind::TrueColour;
  }
  if (known && base == 3) {
    if (h.bits != 8 && h.bits != 16)
      throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa gray depth");
    return Kind::Gray;
  }
  throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa image type");
}

std::vector<Rgb> readColourMap(const Header& h, const std::uint8_t* p) {
  std::vector<Rgb> map(h.mapLength);
  const unsigned step = bytesFor(h.mapBits);
  for (unsigned i = 0; i < h.mapLength; ++i) map[i] = trueColour(p + i * step, h.mapBits);
  return map;
}

void decodeRaw(const std::uint8_t* p, const std::uint8_t* end, unsigned bpp,
               const PixelReader& colour, Placer& place) {
  if (static_cast<std::size_t>(end - p) / bpp < place.remaining()) {
    throw FormatError(FormatErrorKind::Truncated, "Targa data truncated");
  }
  while (place.remaining() > 0) {
    place.put(colour(p));
    p += bpp;
  }
}

void decodeRle(const std::uint8_t* p, const std::uint8_t* end, unsigned bpp,
               const PixelReader& colour, Placer& place) {
  while (place.remaining() > 0) {
    if (p == end) throw FormatError(FormatErrorKind::Truncated, "Targa data truncated");
    const unsigned packet = *p++;
    std::size_t n = (packet & 0x7Fu) + 1;
    const bool run = (packet & 0x80u) != 0;
    const std::size_t need = run ? bpp : n * bpp;
    if (static_cast<std::size_t>(end - p) < need)
      throw FormatError(FormatErrorKind::Truncated, "Targa data truncated");
    // Packets may run across rows; one that passes the last pixel is cut short.
    n = std::min(n, place.remaining());
    if (run) {
      const Rgb c = colour(p);
      for (std::size_t i = 0; i < n; ++i) place.put(c);
    } else {
      for (std::size_t i = 0; i < n; ++i) place.put(colour(p + i * bpp));
    }
    p += need;
  }
}

}  // namespace

Bitmap readTarga(const std::uint8_t* data, std::size_t size) {
  if (size < 18) throw FormatError(FormatErrorKind::Truncated, "Targa header truncated");
  const Header h = parseHeader(data);
  const Kind kind = kindOf(h);
  if (h.width == 0 || h.height == 0)
    throw FormatError(FormatErrorKind::Empty, "Targa image has no pixels");
  if (!withinPixelBudget(static_cast<std::uint64_t>(h.width), static_cast<std::uint64_t>(h.height)))
    throw FormatError(FormatErrorKind::TooLarge, "Targa image is too large");
  if (h.mapType > 1)
    throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa colour map type");
  std::size_t offset = 18 + h.idLength;
  if (size < offset) throw FormatError(FormatErrorKind::Truncated, "Targa ID field truncated");
  std::size_t mapBytes = 0;
  if (h.mapType == 1) {
    if (h.mapBits != 15 && h.mapBits != 16 && h.mapBits != 24 && h.mapBits != 32) {
      throw FormatError(FormatErrorKind::Unsupported, "Unsupported Targa colour map entry size");
    }
    mapBytes = std::size_t{h.mapLength} * bytesFor(h.mapBits);
  }
  if (size < offset + mapBytes)
    throw FormatError(FormatErrorKind::Truncated, "Targa colour map truncated");
  std::vector<Rgb> map;
  if (kind == Kind::Mapped) map = readColourMap(h, data + offset);
  offset += mapBytes;

  const unsigned bpp = bytesFor(h.bits);
  const bool rle = h.imageType >= 8;
  const std::size_t pixels = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
  const std::size_t left = size - offset;
  // One run packet of 1 + bpp bytes stands for at most 128 pixels; a claimed size
  // beyond what the data can hold is refused before anything is allocated.
  if ((rle && pixels / kMaxPacketPixels > left / (1 + bpp)) || (!rle && pixels > left / bpp)) {
    throw FormatError(FormatErrorKind::Truncated, "Targa data truncated");
  }
  Bitmap out;
  try {
    out = Bitmap(h.width, h.height, 24);
  } catch (const BitmapError& e) {
    throw asFormatError(e);
  }
  const PixelReader colour(h, kind, std::move(map));
  Placer place(out, h.descriptor);
  if (rle) {
    decodeRle(data + offset, data + size, bpp, colour, place);
  } else {
    decodeRaw(data + offset, data + size, bpp, colour, place);
  }
  return out;
}

}  // namespace snaprill
