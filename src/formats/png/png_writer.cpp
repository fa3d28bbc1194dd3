// The encoder side of PngImage: the pixel copy and the file it becomes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "formats/png/png_filters.h"
#include "formats/png/png_idat_writer.h"
#include "formats/png/png_image.h"
#include "formats/png/png_layout.h"
#include "formats/zlib/deflate_parts.h"

namespace snaprill {

namespace {

constexpr std::uint8_t kFilterOrder[5] = {png::kNone, png::kSub, png::kUp, png::kAverage,
                                          png::kPaeth};

void putBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

bool isIdentity(const std::array<std::uint8_t, 256>& table) {
  for (std::size_t i = 0; i < table.size(); ++i)
    if (table[i] != i) return false;
  return true;
}

// Sum of the filtered bytes taken as signed values: the usual guess at which
// filter compresses a row best when several are allowed.
std::size_t rowCost(const std::vector<std::uint8_t>& filtered) {
  std::size_t sum = 0;
  for (std::size_t i = 1; i < filtered.size(); ++i)
    sum += static_cast<std::size_t>(std::abs(static_cast<std::int8_t>(filtered[i])));
  return sum;
}

// Header of a picture of 1, 4, 8, 24 or 32 bits per pixel (16 bits are widened
// before they get here).
PngHeader headerFor(const Bitmap& pixels) {
  PngHeader h;
  h.width = static_cast<std::uint32_t>(pixels.width());
  h.height = static_cast<std::uint32_t>(pixels.height());
  h.bitDepth = static_cast<std::uint8_t>(pixels.indexed() ? pixels.bitsPerPixel() : 8);
  h.colourType = pixels.indexed() ? 3 : 2;
  return h;
}

// R G B from B G R (X) pixels; the fixed step lets the compiler unroll the loop.
template <std::size_t Step>
void toRgb(const std::uint8_t* src, std::uint8_t* dst, std::size_t width) {
  for (std::size_t x = 0; x < width; ++x, src += Step, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

struct Encoding {
  const PngHeader& header;
  const Bitmap& pixels;
  const std::array<std::uint8_t, 256>& inverseGamma;
  std::uint8_t filterSet;
  int level;
  // How the compression is shared between threads; null: as measured to pay.
  const DeflateSplit* split = nullptr;
};

// The image data before compression, made from the pixels on demand: bytes
// [from, to) of the rows that IDAT carries, each a filter-type byte and the row's
// filtered samples. Holds its own row buffers, so that parts of the data can be made
// on several threads at once, one of these each.
class FilteredRows {
 public:
  explicit FilteredRows(const Encoding& e)
      : e_(e),
        width_(static_cast<std::size_t>(e.pixels.width())),
        truecolour_(e.header.colourType == 2),
        rowBytes_(truecolour_ ? 3 * width_ : (width_ * e.header.bitDepth + 7) / 8),
        plainSamples_(isIdentity(e.inverseGamma)),
        filters_(e.filterSet & 0x1F),
        onlyNone_(filters_ == 0 || filters_ == kPngFilterNone),
        row_(1 + rowBytes_),
        prior_(onlyNone_ ? 0 : 1 + rowBytes_),
        candidate_(onlyNone_ ? 0 : 1 + rowBytes_),
        best_(onlyNone_ ? 0 : 1 + rowBytes_) {}

  std::size_t rowSize() const { return 1 + rowBytes_; }

  void make(std::size_t from, std::size_t to, const DataPiece& take) {
    const std::size_t stride = rowSize();
    std::size_t y = from / stride;
    // The filters of a row look at the row above it, unfiltered.
    if (!onlyNone_) {
      if (y > 0)
        convert(y - 1, prior_.data() + 1);
      else
        std::fill(prior_.begin(), prior_.end(), std::uint8_t{0});
    }
    for (std::size_t pos = from; pos < to; ++y) {
      convert(y, row_.data() + 1);
      const std::vector<std::uint8_t>& filtered = filter();
      const std::size_t start = pos - y * stride;
      const std::size_t n = std::min(stride - start, to - pos);
      take(filtered.data() + start, n);
      pos += n;
      if (!onlyNone_) prior_.swap(row_);
    }
  }

 private:
  // The samples of row y as the file holds them.
  void convert(std::size_t y, std::uint8_t* dst) const {
    const std::uint8_t* src = e_.pixels.row(static_cast<int>(y));
    if (!truecolour_) {
      std::copy_n(src, rowBytes_, dst);
      return;
    }
    if (e_.pixels.bitsPerPixel() == 32)
      toRgb<4>(src, dst, width_);
    else
      toRgb<3>(src, dst, width_);
    if (!plainSamples_)
      for (std::size_t i = 0; i < rowBytes_; ++i) dst[i] = e_.inverseGamma[dst[i]];
  }

  // row_ filtered against prior_ with the allowed filter that promises the least.
  const std::vector<std::uint8_t>& filter() {
    if (onlyNone_) {
      row_[0] = png::kNone;
      return row_;
    }
    const std::size_t pixelBytes = truecolour_ ? 3 : 1;
    std::size_t bestCost = SIZE_MAX;
    for (std::size_t f = 0; f < 5; ++f) {
      if (!(filters_ & (1u << f))) continue;
      candidate_[0] = kFilterOrder[f];
      png::filterRow(kFilterOrder[f], row_.data() + 1, prior_.data() + 1, candidate_.data() + 1,
                     rowBytes_, pixelBytes);
      const std::size_t cost = rowCost(candidate_);
      if (cost < bestCost) {
        bestCost = cost;
        best_.swap(candidate_);
      }
    }
    return best_;
  }

  const Encoding& e_;
  const std::size_t width_;
  const bool truecolour_;
  const std::size_t rowBytes_;
  const bool plainSamples_;
  const std::uint8_t filters_;
  const bool onlyNone_;
  // Byte 0 of each buffer is the filter type.
  std::vector<std::uint8_t> row_, prior_, candidate_, best_;
};

void writeImageData(const Encoding& e, ByteSink& out) {
  const std::size_t size = FilteredRows(e).rowSize() * static_cast<std::size_t>(e.pixels.height());
  png::IdatSlices idat(out);
  const DataMaker make = [&e](std::size_t from, std::size_t to, const DataPiece& take) {
    FilteredRows(e).make(from, to, take);
  };
  const int level = std::clamp(e.level, 0, 9);
  deflateInParts(size, make, level, e.split ? *e.split : deflateSplitFor(size, level), idat);
  idat.finish();
}

void writeFile(const Encoding& e, ByteSink& out) {
  out.write(kPngSignature, sizeof kPngSignature);
  std::uint8_t ihdr[13];
  putBe32(ihdr, e.header.width);
  putBe32(ihdr + 4, e.header.height);
  ihdr[8] = e.header.bitDepth;
  ihdr[9] = e.header.colourType;
  ihdr[10] = 0;
  ihdr[11] = 0;
  ihdr[12] = e.header.interlaceMethod;
  png::writeChunk(out, "IHDR", ihdr, sizeof ihdr);
  if (e.header.colourType == 3) {
    // Always 2^depth entries, whatever number of colours the picture uses.
    const std::vector<Rgb>& palette = e.pixels.palette();
    std::vector<std::uint8_t> plte;
    for (std::size_t i = 0; i < (std::size_t{1} << e.header.bitDepth); ++i) {
      const Rgb c = i < palette.size() ? palette[i] : Rgb{};
      plte.insert(plte.end(), {e.inverseGamma[c.r], e.inverseGamma[c.g], e.inverseGamma[c.b]});
    }
    png::writeChunk(out, "PLTE", plte.data(), plte.size());
  }
  writeImageData(e, out);
  png::writeChunk(out, "IEND", nullptr, 0);
}

const std::array<std::uint8_t, 256>& identityTable() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::uint8_t>(i);
    return t;
  }();
  return table;
}

}  // namespace

void PngImage::assign(const Bitmap& picture) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Cannot write an empty PNG image");
  reset();
  // 24 and 32 bits are kept as they are and turned into RGB row by row while
  // writing; a plain copy is the cheapest way to be independent of the source.
  pixels_ = picture.bitsPerPixel() == 16 ? picture.convertedTo(24) : picture;
  if (pixels_.indexed()) pixels_.palette().resize(std::size_t{1} << pixels_.bitsPerPixel());
  header_ = headerFor(pixels_);
  hasHeader_ = true;
  for (const char* type : {"IHDR", "PLTE", "IDAT", "IEND"}) {
    if (std::string_view(type) == "PLTE" && header_.colourType != 3) continue;
    PngChunk chunk;
    std::copy_n(type, 4, chunk.type.begin());
    chunks_.push_back(chunk);
  }
}

void PngImage::saveTo(ByteSink& out) const {
  if (!hasHeader_) throw std::logic_error("No PNG image to write");
  // The header follows the pixel copy, so that a picture that was read (a gray
  // image holds a palette copy) is written as what it now is.
  writeFile(Encoding{headerFor(pixels_), pixels_, inverseGamma_, filterSet, compressionLevel}, out);
}

void writePng(const Bitmap& picture, int level, std::uint8_t filterSet, ByteSink& out,
              const DeflateSplit* split) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Cannot write an empty PNG image");
  if (picture.bitsPerPixel() == 16) {
    const Bitmap widened = picture.convertedTo(24);
    writeFile(Encoding{headerFor(widened), widened, identityTable(), filterSet, level, split}, out);
    return;
  }
  writeFile(Encoding{headerFor(picture), picture, identityTable(), filterSet, level, split}, out);
}

}  // namespace snaprill
