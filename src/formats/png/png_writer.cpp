// The encoder side of PngImage: the pixel copy and the file it becomes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "formats/png/png_filters.h"
#include "formats/png/png_idat_writer.h"
#include "formats/png/png_image.h"
#include "formats/png/png_layout.h"

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
};

void writeImageData(const Encoding& e, ByteSink& out) {
  const Bitmap& pixels = e.pixels;
  const std::size_t width = static_cast<std::size_t>(pixels.width());
  const bool truecolour = e.header.colourType == 2;
  const std::size_t rowBytes = truecolour ? 3 * width : (width * e.header.bitDepth + 7) / 8;
  const std::size_t pixelBytes = truecolour ? 3 : 1;
  const bool plainSamples = isIdentity(e.inverseGamma);
  const std::uint8_t filters = e.filterSet & 0x1F;
  const bool onlyNone = filters == 0 || filters == kPngFilterNone;

  // Byte 0 of each buffer is the filter type.
  std::vector<std::uint8_t> row(1 + rowBytes);
  std::vector<std::uint8_t> prior(onlyNone ? 0 : 1 + rowBytes);
  std::vector<std::uint8_t> candidate(onlyNone ? 0 : 1 + rowBytes);
  std::vector<std::uint8_t> best(onlyNone ? 0 : 1 + rowBytes);

  png::IdatWriter idat(out, std::clamp(e.level, 0, 9));
  for (int y = 0; y < pixels.height(); ++y) {
    const std::uint8_t* src = pixels.row(y);
    std::uint8_t* dst = row.data() + 1;
    if (!truecolour) {
      std::copy_n(src, rowBytes, dst);
    } else {
      if (pixels.bitsPerPixel() == 32)
        toRgb<4>(src, dst, width);
      else
        toRgb<3>(src, dst, width);
      if (!plainSamples)
        for (std::size_t i = 0; i < rowBytes; ++i) dst[i] = e.inverseGamma[dst[i]];
    }
    if (onlyNone) {
      row[0] = png::kNone;
      idat.feed(row.data(), row.size());
      continue;
    }
    std::size_t bestCost = SIZE_MAX;
    for (std::size_t f = 0; f < 5; ++f) {
      if (!(filters & (1u << f))) continue;
      candidate[0] = kFilterOrder[f];
      png::filterRow(kFilterOrder[f], row.data() + 1, prior.data() + 1, candidate.data() + 1,
                     rowBytes, pixelBytes);
      const std::size_t cost = rowCost(candidate);
      if (cost < bestCost) {
        bestCost = cost;
        best.swap(candidate);
      }
    }
    idat.feed(best.data(), best.size());
    prior.swap(row);
  }
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

void writePng(const Bitmap& picture, int level, std::uint8_t filterSet, ByteSink& out) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Cannot write an empty PNG image");
  if (picture.bitsPerPixel() == 16) {
    const Bitmap widened = picture.convertedTo(24);
    writeFile(Encoding{headerFor(widened), widened, identityTable(), filterSet, level}, out);
    return;
  }
  writeFile(Encoding{headerFor(picture), picture, identityTable(), filterSet, level}, out);
}

}  // namespace snaprill
