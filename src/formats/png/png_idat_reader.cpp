// The image data of a PNG file: the zlib stream carried by consecutive IDAT
// chunks, inflated row by row, unfiltered, and stored into the pixel copy (Adam7
// passes put each pixel into its own column and row).
#include <algorithm>
#include <cstring>
#include <new>
#include <span>

#include <zlib.h>

#include "base/unaligned.h"
#include "formats/png/png_crc.h"
#include "formats/png/png_filters.h"
#include "formats/png/png_image.h"

namespace snaprill {

namespace {

// Most compressed bytes handed to inflate at a time.
constexpr std::size_t kInputSlice = 65535;

[[noreturn]] void fail(FormatErrorKind kind) {
  throw FormatError(kind);
}

// The compressed bytes of consecutive IDAT chunks, with every chunk's CRC checked
// as its data is used up. A file that ends early fails as a CRC error: the CRC that
// would follow cannot be read.
class IdatInput {
 public:
  IdatInput(const std::uint8_t* file, std::size_t size, std::size_t& pos, std::uint32_t length)
      : file_(file), size_(size), pos_(pos), left_(length) {
    startCrc();
  }

  void refill(z_stream& stream) {
    while (left_ == 0) nextChunk();
    const std::size_t n = std::min({left_, kInputSlice, size_ - pos_});
    if (n == 0) fail(FormatErrorKind::PngInvalidCrc);
    crc_ = updatePngCrc(crc_, file_ + pos_, n);
    stream.next_in = const_cast<Bytef*>(file_ + pos_);
    stream.avail_in = static_cast<uInt>(n);
    pos_ += n;
    left_ -= n;
  }

  // After the last row: the rest of the current chunk goes into its CRC, which is
  // then checked. Data past the image is ignored.
  void finishChunk() {
    if (left_ > size_ - pos_) fail(FormatErrorKind::PngInvalidCrc);
    crc_ = updatePngCrc(crc_, file_ + pos_, left_);
    pos_ += left_;
    left_ = 0;
    checkCrc();
  }

 private:
  void startCrc() {
    crc_ = updatePngCrc(kPngCrcStart, reinterpret_cast<const std::uint8_t*>("IDAT"), 4);
  }

  void checkCrc() {
    if (size_ - pos_ < 4 || loadBe32(file_ + pos_) != finishPngCrc(crc_))
      fail(FormatErrorKind::PngInvalidCrc);
    pos_ += 4;
  }

  void nextChunk() {
    checkCrc();
    if (size_ - pos_ < 8) fail(FormatErrorKind::PngInvalidCrc);
    left_ = loadBe32(file_ + pos_);
    if (std::memcmp(file_ + pos_ + 4, "IDAT", 4) != 0) fail(FormatErrorKind::PngMissingImageData);
    pos_ += 8;
    startCrc();
  }

  const std::uint8_t* file_;
  std::size_t size_;
  std::size_t& pos_;
  std::size_t left_;
  std::uint32_t crc_ = 0;
};

class Inflater {
 public:
  explicit Inflater(IdatInput& input) : input_(input) {
    if (inflateInit(&stream_) != Z_OK) throw std::bad_alloc();
  }
  ~Inflater() { inflateEnd(&stream_); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  // Fills out completely, or throws.
  void read(std::uint8_t* out, std::size_t size) {
    stream_.next_out = out;
    stream_.avail_out = static_cast<uInt>(size);
    while (stream_.avail_out > 0) {
      if (stream_.avail_in == 0) input_.refill(stream_);
      const int result = inflate(&stream_, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        if (stream_.avail_out > 0) fail(FormatErrorKind::PngMissingImageData);
        return;
      }
      if (result != Z_OK && result != Z_BUF_ERROR)
        throw FormatError(FormatErrorKind::PngZlibError,
                          stream_.msg ? stream_.msg : zError(result));
    }
  }

 private:
  IdatInput& input_;
  z_stream stream_{};
};

struct Pass {
  std::size_t x0, y0, dx, dy;
};

constexpr Pass kWholeImage[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

// Sample i of a row of packed samples of 1, 2, 4 or 8 bits (leftmost in the high
// bits), or the high byte of a 16-bit sample.
unsigned sampleAt(const std::uint8_t* row, std::size_t i, unsigned depth) {
  switch (depth) {
    case 16:
      return row[2 * i];
    case 8:
      return row[i];
    default: {
      const std::size_t bit = i * depth;
      const unsigned shift = 8 - depth - static_cast<unsigned>(bit % 8);
      return (row[bit / 8] >> shift) & ((1u << depth) - 1);
    }
  }
}

void setPackedIndex(std::uint8_t* row, std::size_t x, int bpp, unsigned value) {
  if (bpp == 8) {
    row[x] = static_cast<std::uint8_t>(value);
    return;
  }
  const std::size_t bit = x * static_cast<std::size_t>(bpp);
  const unsigned shift = 8 - static_cast<unsigned>(bpp) - static_cast<unsigned>(bit % 8);
  const unsigned mask = ((1u << bpp) - 1) << shift;
  row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | ((value << shift) & mask));
}

}  // namespace

void PngImage::buildGrayRamp() {
  std::vector<Rgb>& table = pixels_.palette();
  const std::size_t last = table.size() - 1;
  for (std::size_t n = 0; n < table.size(); ++n) {
    const std::uint8_t g = gamma_[(n * 255 + last / 2) / last];
    table[n] = Rgb{g, g, g};
  }
}

void PngImage::readImageData(const std::uint8_t* file, std::size_t size, std::size_t& pos,
                             std::uint32_t firstLength) {
  const unsigned type = header_.colourType;
  const unsigned depth = header_.bitDepth;
  if (type == 0 || type == 4) buildGrayRamp();
  const std::size_t channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
  const std::size_t pixelBytes = std::max<std::size_t>(1, channels * depth / 8);
  const std::size_t width = header_.width;
  const int copyBpp = pixels_.bitsPerPixel();

  IdatInput input(file, size, pos, firstLength);
  Inflater inflater(input);
  std::vector<std::uint8_t> row;
  std::vector<std::uint8_t> prior;
  const bool interlaced = header_.interlaceMethod == 1;
  for (const Pass& pass :
       interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWholeImage)) {
    if (width <= pass.x0 || header_.height <= pass.y0) continue;
    const std::size_t passWidth = (width - pass.x0 + pass.dx - 1) / pass.dx;
    const std::size_t rowBytes = (passWidth * channels * depth + 7) / 8;
    row.assign(1 + rowBytes, 0);
    prior.assign(1 + rowBytes, 0);
    for (std::size_t y = pass.y0; y < header_.height; y += pass.dy) {
      inflater.read(row.data(), row.size());
      // An unknown filter type leaves the row as it came.
      png::unfilter(row[0], row.data() + 1, prior.data() + 1, rowBytes, pixelBytes);
      const std::uint8_t* r = row.data() + 1;
      std::uint8_t* dst = pixels_.row(static_cast<int>(y));
      std::uint8_t* alpha = alpha_.empty() ? nullptr : alpha_.data() + y * width;
      const std::size_t step = channels * depth / 8;  // bytes per pixel at 8 and 16 bits
      const std::size_t sample = depth / 8;           // bytes per sample at 8 and 16 bits
      for (std::size_t i = 0, x = pass.x0; i < passWidth; ++i, x += pass.dx) {
        switch (type) {
          case 0:
          case 3: {
            unsigned index = sampleAt(r, i, depth);
            if (type == 0 && depth == 2) index *= 5;  // 2-bit gray onto the 16-entry ramp
            setPackedIndex(dst, x, copyBpp, index);
            break;
          }
          case 2:
          case 6: {
            const std::uint8_t* p = r + i * step;
            dst[3 * x] = gamma_[p[2 * sample]];
            dst[3 * x + 1] = gamma_[p[sample]];
            dst[3 * x + 2] = gamma_[p[0]];
            if (type == 6) alpha[x] = p[3 * sample];
            break;
          }
          default:  // 4: gray with alpha
            dst[x] = r[i * step];
            alpha[x] = r[i * step + sample];
            break;
        }
      }
      prior.swap(row);
    }
  }
  input.finishChunk();
}

}  // namespace snaprill
