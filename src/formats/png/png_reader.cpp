// The reader side of PngImage: the chunk sequence and the chunks before the image
// data. The image data itself is decoded in png_idat_reader.cpp.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "base/unaligned.h"
#include "formats/png/png_crc.h"
#include "formats/png/png_image.h"
#include "formats/png/png_layout.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

constexpr std::uint32_t kMaxDimension = 65535;
// The text of a picture too large to read, beyond the format's or the budget's limit.
constexpr const char* kPngTooLarge =
    "This \"Portable Network Graphics\" image is not supported because either its width or "
    "height exceeds the maximum size, which is 65535 pixels length.";
// Deflate's best case: a 258-byte match in two bits.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

bool isType(const std::array<char, 4>& type, const char* name) {
  return std::memcmp(type.data(), name, 4) == 0;
}

// The chunk types with a meaning of their own; any other critical type is refused.
constexpr const char* kKnownTypes[] = {"IEND", "IHDR", "IDAT", "PLTE", "gAMA",
                                       "tRNS", "tIME", "tEXt", "zTXt"};

bool isKnown(const std::array<char, 4>& type) {
  return std::any_of(std::begin(kKnownTypes), std::end(kKnownTypes),
                     [&](const char* known) { return isType(type, known); });
}

// Bits per pixel of the pixel copy for a colour type and bit depth; 0 for
// combinations the format does not have.
int copyBitsPerPixel(std::uint8_t colourType, std::uint8_t depth) {
  switch (colourType) {
    case 0:
      return depth == 1 || depth == 4 || depth == 8 ? depth : depth == 2 ? 4 : depth == 16 ? 8 : 0;
    case 3:
      return depth == 1 || depth == 4 || depth == 8 ? depth : depth == 2 ? 4 : 0;
    case 2:
    case 6:
      return depth == 8 || depth == 16 ? 24 : 0;
    case 4:
      return depth == 8 || depth == 16 ? 8 : 0;
    default:
      return 0;
  }
}

}  // namespace

void PngImage::loadFromMemory(const std::uint8_t* file, std::size_t size) {
  reset();
  if (!startsWithPngSignature(file, size)) throw FormatError(FormatErrorKind::PngInvalidFileHeader);
  std::size_t pos = sizeof kPngSignature;
  bool imageRead = false;
  for (;;) {
    if (size - pos < 8) throw FormatError(FormatErrorKind::PngUnexpectedEnd);
    const std::uint32_t length = loadBe32(file + pos);
    PngChunk chunk;
    std::memcpy(chunk.type.data(), file + pos + 4, 4);
    pos += 8;
    if (chunks_.empty() && !isType(chunk.type, "IHDR"))
      throw FormatError(FormatErrorKind::PngIhdrNotFirst);

    // Data and CRC of chunks that are passed over; a file that ends inside them
    // surfaces as an unexpected end at the next chunk.
    const auto skip = [&] { pos += std::min<std::size_t>(size - pos, std::size_t{length} + 4); };
    if ((isType(chunk.type, "IDAT") && imageRead) || isType(chunk.type, "cHRM")) {
      skip();
      continue;
    }
    if (isType(chunk.type, "IDAT")) {
      readImageData(file, size, pos, length);
      imageRead = true;
      chunks_.push_back(chunk);
      continue;
    }
    if (!isKnown(chunk.type) && std::isupper(static_cast<unsigned char>(chunk.type[0])))
      throw FormatError(FormatErrorKind::PngUnknownCriticalChunk);

    // A chunk cut short by the end of the file fails its CRC check, as the CRC
    // cannot be read whole.
    if (size - pos < std::size_t{length} + 4) throw FormatError(FormatErrorKind::PngInvalidCrc);
    const std::uint8_t* data = file + pos;
    if (loadBe32(data + length) != pngChunkCrc(chunk.type.data(), data, length))
      throw FormatError(FormatErrorKind::PngInvalidCrc);
    chunk.data.assign(data, data + length);
    pos += std::size_t{length} + 4;

    if (isType(chunk.type, "IHDR")) readHeader(chunk.data, size - pos);
    if (isType(chunk.type, "PLTE")) readPalette(chunk.data);
    if (isType(chunk.type, "tRNS")) readTransparency(chunk.data);
    if (isType(chunk.type, "gAMA")) readGamma(chunk.data);
    const bool end = isType(chunk.type, "IEND");
    chunks_.push_back(std::move(chunk));
    if (end) break;
  }
  if (!imageRead) throw FormatError(FormatErrorKind::PngNoImageData);
}

void PngImage::readHeader(const std::vector<std::uint8_t>& data, std::size_t bytesAfter) {
  if (data.size() < 13) throw FormatError(FormatErrorKind::PngInvalidIhdr);
  PngHeader h;
  h.width = loadBe32(data.data());
  h.height = loadBe32(data.data() + 4);
  h.bitDepth = data[8];
  h.colourType = data[9];
  h.compressionMethod = data[10];
  h.filterMethod = data[11];
  h.interlaceMethod = data[12];
  if (h.width > kMaxDimension || h.height > kMaxDimension)
    throw FormatError(FormatErrorKind::TooLarge, kPngTooLarge);
  if (h.compressionMethod != 0) throw FormatError(FormatErrorKind::PngUnknownCompression);
  if (h.interlaceMethod > 1) throw FormatError(FormatErrorKind::PngUnknownInterlace);
  const int bpp = copyBitsPerPixel(h.colourType, h.bitDepth);
  if (bpp == 0 || h.width == 0 || h.height == 0) throw FormatError(FormatErrorKind::PngInvalidIhdr);

  // The pixel copy and the alpha plane take at most 4 bytes a pixel of the budget.
  if (!withinPixelBudget(h.width, h.height))
    throw FormatError(FormatErrorKind::TooLarge, kPngTooLarge);
  // Before allocating: the rest of the file must be able to hold the image data,
  // even compressed at deflate's best. (Interlacing adds filter bytes, never less.)
  const int samples = h.colourType == 2 ? 3 : h.colourType == 4 ? 2 : h.colourType == 6 ? 4 : 1;
  const std::uint64_t rowBytes = (std::uint64_t{h.width} * samples * h.bitDepth + 7) / 8;
  if ((rowBytes + 1) * h.height / kMaxDeflateRatio > bytesAfter)
    throw FormatError(FormatErrorKind::PngUnexpectedEnd);
  const bool withAlpha = h.colourType == 4 || h.colourType == 6;

  header_ = h;
  hasHeader_ = true;
  pixels_ = Bitmap(static_cast<int>(h.width), static_cast<int>(h.height), bpp);
  if (pixels_.indexed()) std::fill(pixels_.palette().begin(), pixels_.palette().end(), Rgb{});
  alpha_.assign(withAlpha ? std::size_t{h.width} * h.height : 0, 0);
}

void PngImage::readPalette(const std::vector<std::uint8_t>& data) {
  if (data.size() % 3 != 0 || data.size() > 768)
    throw FormatError(FormatErrorKind::PngInvalidPalette);
  // Only a palette copy has a colour table; a truecolour image's suggested palette
  // has nowhere to go, and entries beyond the table's 2^depth are dropped.
  if (header_.colourType != 3) return;
  std::vector<Rgb>& table = pixels_.palette();
  const std::size_t entries = std::min(table.size(), data.size() / 3);
  for (std::size_t i = 0; i < entries; ++i)
    table[i] = Rgb{gamma_[data[3 * i]], gamma_[data[3 * i + 1]], gamma_[data[3 * i + 2]]};
}

void PngImage::readTransparency(const std::vector<std::uint8_t>& data) {
  if (data.size() > 256) throw FormatError(FormatErrorKind::PngInvalidPalette);
  transparency_.fill(255);
  std::copy(data.begin(), data.end(), transparency_.begin());
  transparencyCount_ = data.size();
  hasTransparency_ = true;
}

void PngImage::readGamma(const std::vector<std::uint8_t>& data) {
  if (data.size() < 4) return;
  const std::uint32_t value = loadBe32(data.data());
  if (value == 0) return;
  const long double exponent = 1.0L / (static_cast<long double>(value) / 100000.0L * 2.2L);
  for (int i = 0; i < 256; ++i) {
    // nearbyint rounds halves to even in the default rounding mode.
    const long double mapped = std::nearbyint(std::pow(i / 255.0L, exponent) * 255.0L);
    const auto g = static_cast<std::uint8_t>(std::clamp(mapped, 0.0L, 255.0L));
    gamma_[static_cast<std::size_t>(i)] = g;
    inverseGamma_[g] = static_cast<std::uint8_t>(i);
  }
}

}  // namespace snaprill
