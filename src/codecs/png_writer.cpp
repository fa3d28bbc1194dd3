// The encoder side of PNGObject: the pixel copy and the file it becomes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "codecs/png_filters.h"
#include "codecs/png_idat_writer.h"
#include "codecs/pngimage.h"

namespace snaprill {

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
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

}  // namespace

void PNGObject::Assign(const Bitmap& picture) {
  if (picture.empty()) throw BitmapError("Cannot write an empty PNG image");
  reset();
  const int bpp = picture.bitsPerPixel();
  header_.width = static_cast<std::uint32_t>(picture.width());
  header_.height = static_cast<std::uint32_t>(picture.height());
  header_.bitDepth = static_cast<std::uint8_t>(bpp < 16 ? bpp : 8);
  header_.colourType = bpp < 16 ? 3 : 2;
  hasHeader_ = true;
  // 24 and 32 bits are kept as they are and turned into RGB row by row while
  // writing; a plain copy is the cheapest way to be independent of the source.
  pixels_ = bpp == 16 ? picture.convertedTo(24) : picture;
  if (pixels_.indexed()) pixels_.palette().resize(std::size_t{1} << bpp);
  for (const char* type : {"IHDR", "PLTE", "IDAT", "IEND"}) {
    if (std::string_view(type) == "PLTE" && header_.colourType != 3) continue;
    PngChunk chunk;
    std::copy_n(type, 4, chunk.type.begin());
    chunks_.push_back(chunk);
  }
}

void PNGObject::SaveToSink(ByteSink& out) const {
  if (!hasHeader_) throw std::logic_error("No PNG image to write");
  out.write(kSignature, sizeof kSignature);
  std::uint8_t ihdr[13];
  putBe32(ihdr, header_.width);
  putBe32(ihdr + 4, header_.height);
  ihdr[8] = header_.bitDepth;
  ihdr[9] = header_.colourType;
  ihdr[10] = 0;
  ihdr[11] = 0;
  ihdr[12] = header_.interlaceMethod;
  png::writeChunk(out, "IHDR", ihdr, sizeof ihdr);
  if (header_.colourType == 3) {
    std::vector<std::uint8_t> plte;
    plte.reserve(3 * pixels_.palette().size());
    for (const Rgb& c : pixels_.palette()) {
      plte.push_back(inverseGamma_[c.r]);
      plte.push_back(inverseGamma_[c.g]);
      plte.push_back(inverseGamma_[c.b]);
    }
    png::writeChunk(out, "PLTE", plte.data(), plte.size());
  }
  writeImageData(out);
  png::writeChunk(out, "IEND", nullptr, 0);
}

void PNGObject::writeImageData(ByteSink& out) const {
  const std::size_t width = pixels_.width();
  const bool truecolour = header_.colourType == 2;
  const std::size_t rowBytes = truecolour ? 3 * width : (width * header_.bitDepth + 7) / 8;
  const std::size_t pixelBytes = truecolour ? 3 : 1;
  const std::size_t sourceStep = static_cast<std::size_t>(pixels_.bitsPerPixel()) / 8;
  const bool plainSamples = isIdentity(inverseGamma_);
  const std::uint8_t filters = filterSet & 0x1F;
  const bool onlyNone = filters == 0 || filters == kPngFilterNone;

  // Byte 0 of each buffer is the filter type.
  std::vector<std::uint8_t> row(1 + rowBytes);
  std::vector<std::uint8_t> prior(onlyNone ? 0 : 1 + rowBytes);
  std::vector<std::uint8_t> candidate(onlyNone ? 0 : 1 + rowBytes);
  std::vector<std::uint8_t> best(onlyNone ? 0 : 1 + rowBytes);

  png::IdatWriter idat(out, std::clamp(compressionLevel, 0, 9));
  for (int y = 0; y < pixels_.height(); ++y) {
    const std::uint8_t* src = pixels_.row(y);
    std::uint8_t* dst = row.data() + 1;
    if (!truecolour) {
      std::copy_n(src, rowBytes, dst);
    } else if (plainSamples) {
      for (std::size_t x = 0; x < width; ++x, src += sourceStep, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
    } else {
      for (std::size_t x = 0; x < width; ++x, src += sourceStep, dst += 3) {
        dst[0] = inverseGamma_[src[2]];
        dst[1] = inverseGamma_[src[1]];
        dst[2] = inverseGamma_[src[0]];
      }
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

}  // namespace snaprill
