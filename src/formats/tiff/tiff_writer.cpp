#include "formats/tiff/tiff_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/product.h"
#include "base/unaligned.h"
#include "io/atomic_file.h"

namespace snaprill {

namespace {

enum FieldType : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // a lone SHORT sits in the low half, written first
};

// The program's name and version with the terminating NUL TIFF asks of ASCII values
// (the count includes it), and a pad byte when that leaves what follows off a word
// boundary.
struct SoftwareTag {
  std::string text = productNameAndVersion();
  std::uint32_t count() const { return static_cast<std::uint32_t>(text.size() + 1); }
  std::uint32_t bytes() const { return count() + (count() & 1); }
};
constexpr std::uint32_t kResolution[] = {877, 10};

// Rows are gathered into chunks of about this size before they go to the sink.
constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

std::uint32_t checkedSize(unsigned long long n) {
  if (n > std::numeric_limits<std::uint32_t>::max()) {
    throw FormatError(FormatErrorKind::TooLarge, "Picture too large for a TIFF file");
  }
  return static_cast<std::uint32_t>(n);
}

Entry sizeEntry(std::uint16_t tag, int side) {
  const auto v = static_cast<std::uint32_t>(side);
  return {tag, static_cast<std::uint16_t>(v > 0xFFFF ? kLong : kShort), 1, v};
}

// The IFD's place is known before anything is written, so the header carries it
// from the start and the sink never has to seek back.
void writeHeader(ByteSink& out, std::uint32_t ifdOffset) {
  out.put8('I');
  out.put8('I');
  out.put16le(42);
  out.put32le(ifdOffset);
}

void writeSoftware(ByteSink& out, const SoftwareTag& software) {
  std::vector<std::uint8_t> bytes(software.bytes(), 0);
  std::memcpy(bytes.data(), software.text.data(), software.text.size());
  out.write(bytes);
}

// Where the IFD goes: the first word boundary after the pixel data.
std::uint32_t ifdOffsetAfter(unsigned long long dataEnd) {
  return checkedSize(dataEnd + (dataEnd & 1));
}

// The pad byte that puts the IFD on a word boundary after data of the given size.
void padToWord(ByteSink& out, std::uint32_t dataBytes) {
  if (dataBytes & 1) out.put8(0);
}

void writeResolutions(ByteSink& out) {
  for (int i = 0; i < 2; ++i) {
    out.put32le(kResolution[0]);
    out.put32le(kResolution[1]);
  }
}

void writeIfd(ByteSink& out, const std::vector<Entry>& entries) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 + 12 * entries.size() + 4);
  const auto put = [&bytes](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  put(static_cast<std::uint32_t>(entries.size()), 2);
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(e.count, 4);
    put(e.value, 4);
  }
  put(0, 4);
  out.write(bytes);
}

// Gathers rows and hands them to the sink in large pieces.
class ChunkWriter {
 public:
  ChunkWriter(ByteSink& out, std::size_t rowBytes)
      : out_(out),
        rowsPerChunk_(std::max<std::size_t>(1, kChunkBytes / std::max<std::size_t>(1, rowBytes))) {
    buffer_.reserve(rowsPerChunk_ * rowBytes);
  }
  std::uint8_t* nextRow(std::size_t rowBytes) {
    if (rows_ == rowsPerChunk_) flush();
    ++rows_;
    buffer_.resize(buffer_.size() + rowBytes);
    return buffer_.data() + buffer_.size() - rowBytes;
  }
  void flush() {
    out_.write(buffer_);
    buffer_.clear();
    rows_ = 0;
  }

 private:
  ByteSink& out_;
  std::size_t rowsPerChunk_;
  std::size_t rows_ = 0;
  std::vector<std::uint8_t> buffer_;
};

void writeRgbRows(ByteSink& out, const Bitmap& picture) {
  const int w = picture.width();
  const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
  ChunkWriter chunks(out, rowBytes);
  const int bpp = picture.bitsPerPixel();
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* dst = chunks.nextRow(rowBytes);
    if (bpp == 32) {
      bgrxToRgb(picture.row(y), static_cast<std::size_t>(w), dst);
    } else if (bpp == 24) {
      const std::uint8_t* src = picture.row(y);
      for (int x = 0; x < w; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
    } else {
      for (int x = 0; x < w; ++x, dst += 3) {
        const Rgb c = picture.pixel(x, y);
        dst[0] = c.r;
        dst[1] = c.g;
        dst[2] = c.b;
      }
    }
  }
  chunks.flush();
}

void writeRgb(ByteSink& out, const Bitmap& picture) {
  const std::uint32_t dataBytes = checkedSize(3ull * static_cast<unsigned>(picture.width()) *
                                              static_cast<unsigned>(picture.height()));
  const SoftwareTag software;
  const std::uint32_t dataOffset = 30 + software.bytes();
  writeHeader(out, ifdOffsetAfter(std::uint64_t{dataOffset} + dataBytes));
  writeResolutions(out);
  for (int i = 0; i < 3; ++i) out.put16le(8);
  writeSoftware(out, software);
  writeRgbRows(out, picture);
  padToWord(out, dataBytes);
  const auto h = static_cast<std::uint32_t>(picture.height());
  writeIfd(out, {
                    {254, kLong, 1, 0},
                    sizeEntry(256, picture.width()),
                    sizeEntry(257, picture.height()),
                    {258, kShort, 3, 24},
                    {259, kShort, 1, 1},
                    {262, kShort, 1, 2},
                    {273, kLong, 1, dataOffset},
                    {277, kShort, 1, 3},
                    {278, kLong, 1, h},
                    {279, kLong, 1, dataBytes},
                    {282, kRational, 1, 8},
                    {283, kRational, 1, 16},
                    {284, kShort, 1, 1},
                    {296, kShort, 1, 2},
                    {305, kAscii, software.count(), 30},
                });
}

void writePalette(ByteSink& out, const Bitmap& picture) {
  const int bits = picture.bitsPerPixel();
  const std::uint32_t colours = 1u << bits;
  const auto w = static_cast<std::size_t>(picture.width());
  // Every column is written; an odd width at 4 bits ends its rows in a 0 nibble.
  const std::size_t rowBytes = bits == 8 ? w : (w + 1) / 2;
  const std::uint32_t mapEnd = 8 + 6 * colours;
  const SoftwareTag software;
  const std::uint32_t dataOffset = mapEnd + 16 + software.bytes();
  const std::uint32_t dataBytes = checkedSize(static_cast<unsigned long long>(rowBytes) *
                                              static_cast<unsigned>(picture.height()));
  writeHeader(out, ifdOffsetAfter(std::uint64_t{dataOffset} + dataBytes));

  std::vector<std::uint8_t> map(6 * colours, 0);
  const std::vector<Rgb>& palette = picture.palette();
  const std::size_t known = std::min<std::size_t>(palette.size(), colours);
  // Each component c becomes c * 257 (both bytes c), so that 255 is full intensity;
  // readers that take the high byte see the component unchanged.
  const auto put = [&map](std::size_t at, std::uint8_t c) { map[2 * at] = map[2 * at + 1] = c; };
  for (std::size_t i = 0; i < known; ++i) {
    put(i, palette[i].r);
    put(colours + i, palette[i].g);
    put(2 * colours + i, palette[i].b);
  }
  out.write(map);
  writeResolutions(out);
  writeSoftware(out, software);

  ChunkWriter chunks(out, rowBytes);
  const bool oddNibble = bits == 4 && (w & 1) != 0;
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* dst = chunks.nextRow(rowBytes);
    std::copy_n(picture.row(y), rowBytes, dst);
    if (oddNibble) dst[rowBytes - 1] &= 0xF0;
  }
  chunks.flush();
  padToWord(out, dataBytes);

  const auto h = static_cast<std::uint32_t>(picture.height());
  writeIfd(out, {
                    {254, kLong, 1, 0},
                    sizeEntry(256, picture.width()),
                    sizeEntry(257, picture.height()),
                    {258, kShort, 1, static_cast<std::uint32_t>(bits)},
                    {259, kShort, 1, 1},
                    {262, kShort, 1, 3},
                    {273, kLong, 1, dataOffset},
                    {277, kShort, 1, 1},
                    {278, kLong, 1, h},
                    {279, kLong, 1, dataBytes},
                    {282, kRational, 1, mapEnd},
                    {283, kRational, 1, mapEnd + 8},
                    {296, kShort, 1, 2},
                    {305, kAscii, software.count(), mapEnd + 16},
                    {320, kShort, 3 * colours, 8},
                });
}

}  // namespace

void writeTiff(ByteSink& out, const Bitmap& picture) {
  if (picture.empty()) return;
  if (picture.bitsPerPixel() == 4 || picture.bitsPerPixel() == 8) {
    writePalette(out, picture);
  } else {
    writeRgb(out, picture);
  }
}

void saveTiffFile(const std::string& path, const Bitmap& picture) {
  AtomicFile file(path);
  writeTiff(file, picture);
  file.commit();
}

}  // namespace snaprill
