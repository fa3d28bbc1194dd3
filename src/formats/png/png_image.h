// PNG images (ISO/IEC 15948): the encoder for captures and the reader for overlay
// pictures.
//
// File layout (all numbers big-endian):
//   signature  89 50 4E 47 0D 0A 1A 0A
//   chunk      length (4, data bytes only) | type (4 ASCII) | data | CRC-32 (4) of type+data
//   IHDR       width (4) | height (4) | bit depth | colour type | compression 0 |
//              filter method 0 | interlace (0 none, 1 Adam7)
//   PLTE       3 bytes (red, green, blue) per palette entry
//   IDAT       consecutive slices of one zlib stream; inflated, each row is a filter-type
//              byte followed by the row's samples, leftmost pixel in the high bits
//   IEND       empty
//
// Writing gives IHDR, PLTE (palette bitmaps only), IDAT chunks of exactly 65535 data
// bytes but the last, IEND. The zlib stream is compressed and written as the rows are
// produced, a large picture's in parts on every processor; the compressed image is
// never held whole, only a few parts of it.
//
// Reading accepts every colour type and bit depth, Adam7, checks every CRC, applies
// gAMA to the samples, keeps one transparent colour and drops alpha channels: the
// bitmap it gives is 1, 4, 8 (palette or gray ramp) or 24 bits per pixel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_sink.h"
#include "formats/format_error.h"
#include "formats/zlib/deflate_parts.h"
#include "image/bitmap.h"

namespace snaprill {

// The filters an encoder may choose from for each row.
enum PngFilterBits : std::uint8_t {
  kPngFilterNone = 1,
  kPngFilterSub = 2,
  kPngFilterUp = 4,
  kPngFilterAverage = 8,
  kPngFilterPaeth = 16,
};

enum class PngTransparency { None, OneColour, Partial };

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bitDepth = 0;
  std::uint8_t colourType = 0;
  std::uint8_t compressionMethod = 0;
  std::uint8_t filterMethod = 0;
  std::uint8_t interlaceMethod = 0;
};

struct PngChunk {
  std::array<char, 4> type{};
  // Kept as read; empty for IDAT, which stands for the whole image data.
  std::vector<std::uint8_t> data;
  std::string typeName() const { return std::string(type.data(), 4); }
};

// The size of a complete IDAT chunk, and of the compression output buffer.
inline constexpr std::size_t kPngMaxIdatSize = 65535;

class PngImage;

// Writes picture as PngImage does after assign (same header, palette and image
// data), but straight from the picture instead of a private copy of it: for a
// picture that stays unchanged until the call returns, which saves copying a
// screen-sized bitmap per capture. Large pictures are compressed on every processor
// (deflate_parts.h); `split` (tests and benchmarks) chooses the parts instead. Safe
// on any thread while nothing changes the picture. Throws as assign and saveTo do.
void writePng(const Bitmap& picture, int level, std::uint8_t filterSet, ByteSink& out,
              const DeflateSplit* split = nullptr);

class PngImage {
 public:
  PngImage();

  // --- writing ---
  std::uint8_t filterSet = kPngFilterSub;  // PngFilterBits; empty means None
  int compressionLevel = 7;                // zlib level 0..9 (clamped)

  // Takes a private copy of the picture: fewer than 16 bits per pixel give a palette
  // image of the same bit depth, 16 bits are widened to 8 bits per channel, 24 and
  // 32 bits give truecolour (the fourth byte dropped). Throws FormatError (Empty)
  // when the picture is empty.
  void assign(const Bitmap& picture);
  // Writes the whole file. Throws std::logic_error when nothing was assigned or read,
  // and whatever the sink throws. The object stays as it was.
  void saveTo(ByteSink& out) const;

  // --- reading ---
  // Replaces everything by the file's contents. Throws FormatError; the object then
  // holds the chunks read so far.
  void loadFromMemory(const std::uint8_t* data, std::size_t size);
  // The picture read (1, 4, 8 or 24 bits per pixel, alpha dropped). Throws
  // std::logic_error when nothing was read.
  Bitmap toBitmap() const;
  // The picture read as a capture shows it: 32 bits per pixel, its transparency
  // (an alpha channel, or the colours tRNS makes transparent) drawn over white.
  // Throws as toBitmap.
  Bitmap toBitmapOverWhite() const;
  PngTransparency transparencyMode() const;
  // The colour a one-colour-transparent image marks as transparent, if any.
  std::optional<Rgb> transparentColour() const;
  // One byte per pixel, rows top to bottom, for colour types 4 and 6; else empty.
  const std::vector<std::uint8_t>& alphaPlane() const { return alpha_; }

  const PngHeader& header() const { return header_; }
  const std::vector<PngChunk>& chunks() const { return chunks_; }
  const std::array<std::uint8_t, 256>& gammaTable() const { return gamma_; }

 private:
  void reset();
  // Reader steps (png_reader.cpp).
  // bytesAfter: what the file holds after the header chunk. Images beyond the pixel
  // budget, or larger than those bytes could describe, are refused before anything
  // is allocated, so a few bytes of header cannot claim gigabytes.
  void readHeader(const std::vector<std::uint8_t>& data, std::size_t bytesAfter);
  void readPalette(const std::vector<std::uint8_t>& data);
  void readTransparency(const std::vector<std::uint8_t>& data);
  void readGamma(const std::vector<std::uint8_t>& data);
  // Image data (png_idat_reader.cpp): decodes the IDAT chunks that start at pos
  // (just past the first one's type) and leaves pos after the CRC of the IDAT
  // chunk that completes the image.
  void readImageData(const std::uint8_t* file, std::size_t size, std::size_t& pos,
                     std::uint32_t firstLength);
  void buildGrayRamp();
  std::array<std::uint8_t, 256> gamma_{};
  std::array<std::uint8_t, 256> inverseGamma_{};
  PngHeader header_;
  bool hasHeader_ = false;
  std::vector<PngChunk> chunks_;
  // The pixel copy: for writing the assigned picture (1, 4, 8, 24 or 32 bits); after
  // reading the decoded picture (1, 4, 8 or 24 bits).
  Bitmap pixels_;
  std::vector<std::uint8_t> alpha_;
  std::array<std::uint8_t, 256> transparency_{};
  std::size_t transparencyCount_ = 0;
  bool hasTransparency_ = false;
};

}  // namespace snaprill
