// Windows bitmap files: the writer and the reader of untrusted files.
//
// Reader header variants, told apart by the size field after the file header:
//   12        OS/2 core header: 16-bit width and height, colour table of RGB triples;
//   16..64    OS/2 2.x and the Windows info headers (40; 52 and 56 carry the colour
//             masks inside; 108 and 124 add colour-space fields we ignore). Fields a
//             short header leaves out read as 0.
// With BI_BITFIELDS and a 40-byte header the three masks follow the header.
#include "formats/bmp/bmp_file.h"

#include "formats/bmp/bitmap_info.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/unaligned.h"
#include "formats/format_error.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kLargestHeader = 124;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitfields = 3,
  kAlphaBitfields = 6,
};

// Run-length data can describe a large picture in few bytes. Beyond this size the
// decoded picture must stay within kMaxRleExpansion times the stream's length, so
// that a tiny file cannot make us allocate gigabytes of pixels it never sets.
constexpr std::size_t kRleFreeBytes = std::size_t{16} << 20;
constexpr std::size_t kMaxRleExpansion = 1024;

std::uint32_t colourTableEntries(const Bitmap& picture) {
  return picture.indexed() ? (1u << picture.bitsPerPixel()) : 0u;
}

}  // namespace

void writeBmp(const Bitmap& picture, ByteSink& out) {
  if (picture.empty()) return;
  const std::uint32_t entries = colourTableEntries(picture);
  const std::uint32_t bitsOffset = kFileHeaderSize + kBitmapInfoHeaderSize + 4 * entries;
  // The Bitmap type caps its buffer at 2 GiB, so the file size fits 32 bits.
  const auto imageSize = static_cast<std::uint32_t>(picture.bits().size());
  const int height = picture.height();

  MemorySink fileHeader;
  fileHeader.write("BM", 2);
  fileHeader.put32le(bitsOffset + imageSize);
  fileHeader.put32le(0);  // reserved
  fileHeader.put32le(bitsOffset);
  out.write(fileHeader.bytes);
  // Colours used 0: all 2^bits.
  writeBitmapInfo(out, picture, imageSize, 0, entries);
  // The in-memory rows already have the file's layout and zero padding.
  for (int y = height - 1; y >= 0; --y) out.write(picture.row(y), picture.stride());
}

namespace {

[[noreturn]] void fail(FormatErrorKind kind, const std::string& what) {
  throw FormatError(kind, "Invalid bitmap file: " + what);
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t size() const { return size_; }
  const std::uint8_t* at(std::size_t offset) const { return data_ + offset; }
  bool has(std::size_t offset, std::size_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }
  std::uint32_t u16(std::size_t offset) const {
    if (!has(offset, 2)) fail(FormatErrorKind::Truncated, "file is truncated");
    return loadLe16(data_ + offset);
  }
  std::uint32_t u32(std::size_t offset) const { return u16(offset) | (u16(offset + 2) << 16); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

struct Header {
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top down
  std::uint32_t bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t coloursUsed = 0;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue
  std::size_t tableOffset = 0;
  std::size_t tableEntrySize = 4;
  std::size_t bitsOffset = 0;
};

Header readHeader(const Input& in) {
  if (!in.has(0, 2) || in.at(0)[0] != 'B' || in.at(0)[1] != 'M')
    fail(FormatErrorKind::NotThisFormat, "no BM signature");
  Header h;
  h.bitsOffset = in.u32(10);
  h.headerSize = in.u32(kFileHeaderSize);
  const std::size_t base = kFileHeaderSize;
  if (h.headerSize == kCoreHeaderSize) {
    h.width = in.u16(base + 4);
    h.height = in.u16(base + 6);
    h.bitCount = in.u16(base + 10);
    h.tableEntrySize = 3;
  } else if (h.headerSize >= 16 && h.headerSize <= kLargestHeader) {
    if (!in.has(base, h.headerSize)) fail(FormatErrorKind::Truncated, "file is truncated");
    // A short header leaves later fields out; they read as 0.
    std::array<std::uint8_t, kLargestHeader> raw{};
    std::memcpy(raw.data(), in.at(base), h.headerSize);
    const Input header(raw.data(), raw.size());
    h.width = static_cast<std::int32_t>(header.u32(4));
    h.height = static_cast<std::int32_t>(header.u32(8));
    h.bitCount = header.u16(14);
    h.compression = header.u32(16);
    h.coloursUsed = header.u32(32);
    for (std::size_t i = 0; i < 3; ++i) h.masks[i] = header.u32(40 + 4 * i);
  } else {
    fail(FormatErrorKind::Unsupported, "unknown header size " + std::to_string(h.headerSize));
  }
  h.tableOffset = base + h.headerSize;
  const bool bitfields = h.compression == kBitfields || h.compression == kAlphaBitfields;
  if (bitfields && h.headerSize == kBitmapInfoHeaderSize) {
    for (std::size_t i = 0; i < 3; ++i) h.masks[i] = in.u32(h.tableOffset + 4 * i);
    h.tableOffset += h.compression == kAlphaBitfields ? 16 : 12;
  }
  return h;
}

void checkFormat(const Header& h) {
  if (h.width <= 0 || h.height == 0) fail(FormatErrorKind::Empty, "picture has no pixels");
  if (h.height < -std::numeric_limits<std::int32_t>::max())
    fail(FormatErrorKind::TooLarge, "picture too large");
  const auto rows = static_cast<std::uint64_t>(h.height < 0 ? -h.height : h.height);
  if (!withinPixelBudget(static_cast<std::uint64_t>(h.width), rows))
    fail(FormatErrorKind::TooLarge, "picture too large");
  switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      break;
    case 16:
    case 32:
      if (h.headerSize == kCoreHeaderSize)
        fail(FormatErrorKind::Unsupported, "unsupported bit count");
      break;
    default:
      fail(FormatErrorKind::Unsupported, "unsupported bit count " + std::to_string(h.bitCount));
  }
  const bool ok = h.compression == kRgb || (h.compression == kRle8 && h.bitCount == 8) ||
                  (h.compression == kRle4 && h.bitCount == 4) ||
                  ((h.compression == kBitfields || h.compression == kAlphaBitfields) &&
                   (h.bitCount == 16 || h.bitCount == 32));
  if (!ok)
    fail(FormatErrorKind::Unsupported, "unsupported compression " + std::to_string(h.compression));
  if ((h.compression == kRle8 || h.compression == kRle4) && h.height < 0) {
    fail(FormatErrorKind::Damaged, "compressed pictures cannot be stored top down");
  }
  if (h.bitsOffset < h.tableOffset)
    fail(FormatErrorKind::Damaged, "pixel data offset inside the header");
}

// cleared false: every byte is to be written, the pages are not cleared first.
Bitmap makeBitmap(std::int64_t width, std::int64_t height, std::uint32_t bitCount,
                  bool cleared = true) {
  const auto w = static_cast<int>(width), h = static_cast<int>(height);
  const auto bits = static_cast<int>(bitCount);
  try {
    return cleared ? Bitmap(w, h, bits) : Bitmap(w, h, bits, Bitmap::Unfilled{});
  } catch (const BitmapError& e) {
    if (e.kind() != BitmapErrorKind::TooLarge) throw asFormatError(e);
    fail(FormatErrorKind::TooLarge, "picture too large");
  }
}

// The colour table as 2^bits entries; entries the file leaves out are black.
std::vector<Rgb> readColourTable(const Input& in, const Header& h) {
  const std::size_t full = std::size_t{1} << h.bitCount;
  std::size_t count = h.coloursUsed == 0 ? full : std::min<std::size_t>(h.coloursUsed, full);
  // Some writers store fewer entries than they claim; the bits start where they say.
  count = std::min(count, (h.bitsOffset - h.tableOffset) / h.tableEntrySize);
  if (!in.has(h.tableOffset, count * h.tableEntrySize))
    fail(FormatErrorKind::Truncated, "file is truncated");
  std::vector<Rgb> palette(full);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = in.at(h.tableOffset + i * h.tableEntrySize);
    palette[i] = Rgb{e[2], e[1], e[0]};
  }
  return palette;
}

// Destination row of stored row i (files store bottom-up unless the height is negative).
int targetRow(const Header& h, int height, int i) {
  return h.height < 0 ? i : height - 1 - i;
}

// Padding of the file may hold anything, down to the bits after the last pixel of a
// 1 or 4 bpp row; ours stays zero.
void clearPadding(Bitmap& out) {
  const std::size_t stride = out.stride();
  const std::size_t bits = static_cast<std::size_t>(out.width()) * out.bitsPerPixel();
  const std::size_t used = (bits + 7) / 8;
  const auto lastMask = static_cast<std::uint8_t>(bits % 8 ? 0xFFu << (8 - bits % 8) : 0xFFu);
  if (used < stride || lastMask != 0xFF) {
    for (int y = 0; y < out.height(); ++y) {
      std::uint8_t* row = out.row(y);
      row[used - 1] &= lastMask;
      std::memset(row + used, 0, stride - used);
    }
  }
}

void readUncompressed(const Input& in, const Header& h, Bitmap& out) {
  const std::size_t stride = out.stride();
  const auto rows = static_cast<std::size_t>(out.height());
  if (!in.has(h.bitsOffset, stride * rows)) fail(FormatErrorKind::Truncated, "file is truncated");
  for (int i = 0; i < out.height(); ++i) {
    std::memcpy(out.row(targetRow(h, out.height(), i)),
                in.at(h.bitsOffset + static_cast<std::size_t>(i) * stride), stride);
  }
  clearPadding(out);
}

// One colour mask of a bitfields picture, widened to 8 bits.
class Channel {
 public:
  explicit Channel(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = static_cast<unsigned>(std::countr_zero(mask));
    bits_ = static_cast<unsigned>(32 - std::countl_zero(mask)) - shift_;
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits_ == 0) return 0;
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
    const std::uint32_t top = (1u << bits_) - 1;
    return static_cast<std::uint8_t>((v * 255 + top / 2) / top);
  }

 private:
  std::uint32_t mask_;
  unsigned shift_ = 0;
  unsigned bits_ = 0;
};

constexpr std::array<std::uint32_t, 3> kMasks555 = {0x7C00, 0x03E0, 0x001F};
constexpr std::array<std::uint32_t, 3> kMasks888 = {0xFF0000, 0x00FF00, 0x0000FF};

// Bitfields pictures: those with the plain layout of their depth are copied; others
// become 24 bits (16-bit sources) or 32 bits, keeping every mask's top 8 bits.
Bitmap readBitfields(const Input& in, const Header& h, int height) {
  const bool plain = h.bitCount == 16 ? h.masks == kMasks555 : h.masks == kMasks888;
  if (plain) {
    Bitmap out = makeBitmap(h.width, height, h.bitCount);
    readUncompressed(in, h, out);
    return out;
  }
  Bitmap out = makeBitmap(h.width, height, h.bitCount == 16 ? 24 : 32);
  const std::size_t bytes = h.bitCount / 8;
  const std::size_t stride =
      Bitmap::strideFor(static_cast<int>(h.width), static_cast<int>(h.bitCount));
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  const std::size_t outBytes = static_cast<std::size_t>(out.bitsPerPixel() / 8);
  for (int i = 0; i < height; ++i) {
    const std::uint8_t* src = in.at(h.bitsOffset + static_cast<std::size_t>(i) * stride);
    std::uint8_t* dst = out.row(targetRow(h, height, i));
    for (int x = 0; x < out.width(); ++x, src += bytes, dst += outBytes) {
      std::uint32_t v = src[0] | (std::uint32_t{src[1]} << 8);
      if (bytes == 4) v |= (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[3]} << 24);
      dst[0] = blue(v);
      dst[1] = green(v);
      dst[2] = red(v);
    }
  }
  return out;
}

// BI_RLE8 and BI_RLE4. Commands are byte pairs: (n > 0, value) repeats value n times
// (two alternating nibbles for RLE4); (0, 0) ends the row, (0, 1) ends the picture,
// (0, 2, dx, dy) moves the pen, (0, n >= 3) is followed by n literal pixels padded to
// a 16-bit boundary. Pixels beyond the right edge are dropped; pixels a command skips
// keep index 0.
void readRle(const Input& in, const Header& h, Bitmap& out) {
  const bool four = h.compression == kRle4;
  const std::size_t end = in.size();
  std::size_t p = h.bitsOffset;
  if (p > end) fail(FormatErrorKind::Truncated, "pixel data offset beyond the end of the file");
  const int width = out.width();
  const int height = out.height();
  int x = 0;  // never beyond width: pixels past the edge are dropped anyway
  int y = 0;  // counted from the bottom
  auto put = [&](unsigned index) {
    if (x < width) out.setIndex(x++, height - 1 - y, index);
  };
  auto nibble = [](const std::uint8_t* bytes, unsigned i) {
    return (i & 1) ? bytes[i / 2] & 0x0Fu : unsigned{bytes[i / 2]} >> 4;
  };
  while (y < height) {
    if (end - p < 2) fail(FormatErrorKind::Truncated, "compressed data ends early");
    const std::uint8_t* command = in.at(p);
    const unsigned count = command[0];
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < width; ++i)
        put(four ? nibble(command + 1, i & 1) : command[1]);
      continue;
    }
    switch (command[1]) {
      case 0:
        x = 0;
        ++y;
        break;
      case 1:
        return;
      case 2:
        if (end - p < 2) fail(FormatErrorKind::Truncated, "compressed data ends early");
        x = std::min(x + in.at(p)[0], width);
        y += in.at(p)[1];
        p += 2;
        break;
      default: {
        const unsigned n = command[1];
        std::size_t bytes = four ? (n + 1) / 2 : n;
        bytes += bytes & 1;
        if (end - p < bytes) fail(FormatErrorKind::Truncated, "compressed data ends early");
        const std::uint8_t* literal = in.at(p);
        for (unsigned i = 0; i < n && x < width; ++i) put(four ? nibble(literal, i) : literal[i]);
        p += bytes;
        break;
      }
    }
  }
}

}  // namespace

namespace {

// The header of a file of fileSize bytes, refused (as FormatError) unless the file can
// hold the picture it describes; in holds the file's first bytes at least.
Header checkedHeader(const Input& in, std::size_t fileSize) {
  const Header h = readHeader(in);
  checkFormat(h);
  if (h.bitsOffset > fileSize)
    fail(FormatErrorKind::Truncated, "pixel data offset beyond the end of the file");
  const std::int64_t height = h.height < 0 ? -h.height : h.height;
  const bool compressed = h.compression == kRle8 || h.compression == kRle4;
  // Before allocating: the file must hold every row, or for run-length data enough
  // bytes to plausibly fill the picture.
  const std::size_t stride =
      Bitmap::strideFor(static_cast<int>(h.width), static_cast<int>(h.bitCount));
  const std::size_t stream = fileSize - h.bitsOffset;
  if (static_cast<std::size_t>(height) > kMaxBitmapBytes / stride)
    fail(FormatErrorKind::TooLarge, "picture too large");
  const std::size_t bytes = stride * static_cast<std::size_t>(height);
  if (!compressed && bytes > stream) fail(FormatErrorKind::Truncated, "file is truncated");
  if (compressed && bytes > kRleFreeBytes && bytes / kMaxRleExpansion > stream) {
    fail(FormatErrorKind::Truncated, "compressed data too short for the picture size");
  }
  return h;
}

int rowCount(const Header& h) {
  return static_cast<int>(h.height < 0 ? -h.height : h.height);
}

// Pictures whose file rows are the Bitmap's rows as they are: uncompressed, or
// bitfields with the plain masks, of 16 bits and more.
bool rowsAsStored(const Header& h) {
  if (h.bitCount < 16) return false;
  if (h.compression == kRgb) return true;
  return h.bitCount == 16 ? h.masks == kMasks555 : h.masks == kMasks888;
}

}  // namespace

Bitmap readBmp(const std::uint8_t* data, std::size_t size) {
  const Input in(data, size);
  const Header h = checkedHeader(in, size);
  const int height = rowCount(h);
  if (h.compression == kBitfields || h.compression == kAlphaBitfields) {
    return readBitfields(in, h, height);
  }
  Bitmap out = makeBitmap(h.width, height, h.bitCount);
  if (out.indexed()) out.palette() = readColourTable(in, h);
  if (h.compression == kRle8 || h.compression == kRle4) {
    readRle(in, h, out);
  } else {
    readUncompressed(in, h, out);
  }
  return out;
}

std::optional<Bitmap> readBmpInPlace(std::span<const std::uint8_t> head, std::size_t fileSize,
                                     const ReadBytesAt& readAt) {
  const Input in(head.data(), head.size());
  const Header h = checkedHeader(in, fileSize);
  if (!rowsAsStored(h)) return std::nullopt;
  const int height = rowCount(h);
  Bitmap out = makeBitmap(h.width, height, h.bitCount, false);
  std::vector<std::span<std::uint8_t>> rows(static_cast<std::size_t>(height));
  for (int i = 0; i < height; ++i) {
    rows[static_cast<std::size_t>(i)] = {out.row(targetRow(h, height, i)), out.stride()};
  }
  if (readAt(h.bitsOffset, rows) < out.bits().size())
    fail(FormatErrorKind::Truncated, "file is truncated");
  clearPadding(out);
  return out;
}

}  // namespace snaprill
