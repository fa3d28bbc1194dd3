// Enhanced metafile writer: a header, one stretched device-independent bitmap that
// covers the whole picture, and the end record.
#include "formats/emf/emf_file.h"

#include "formats/bmp/bitmap_info.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace snaprill {

namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrStretchDiBits = 81;
constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kVersion = 0x10000;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kDibRgbColors = 0;

// The header with both extensions (pixel format and micrometre size), as recording
// devices write it.
constexpr std::uint32_t kHeaderSize = 108;
constexpr std::uint32_t kStretchFixedSize = 80;
constexpr std::uint32_t kEofSize = 20;

// a * b / c rounded to the nearest integer, halves away from zero, for positive
// operands; clamped to the int32 range.
std::int32_t scaleRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (b != 0 && a > (std::numeric_limits<std::int64_t>::max() - c) / 2 / b) return kMax;
  return static_cast<std::int32_t>(std::min((a * b * 2 + c) / (2 * c), kMax));
}

// A record's bytes, little-endian.
class Record : public MemorySink {
 public:
  void u32(std::uint32_t v) { put32le(v); }
  void i32(std::int32_t v) { put32le(static_cast<std::uint32_t>(v)); }
  void rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    i32(left);
    i32(top);
    i32(right);
    i32(bottom);
  }
};

}  // namespace

void writeEmf(const Bitmap& picture, const ReferenceScreen& screen, ByteSink& out) {
  // A screen without a usable size is replaced by the default one (96 dots per inch).
  const bool usable = screen.widthPixels > 0 && screen.heightPixels > 0 &&
                      screen.widthMillimetres > 0 && screen.heightMillimetres > 0;
  const ReferenceScreen ref = usable ? screen : ReferenceScreen{};
  const std::int32_t w = picture.empty() ? 0 : picture.width();
  const std::int32_t h = picture.empty() ? 0 : picture.height();

  const std::uint32_t entries = picture.indexed() ? (1u << picture.bitsPerPixel()) : 0u;
  const std::uint32_t infoSize = kBitmapInfoHeaderSize + 4 * entries;
  // The Bitmap type caps its buffer at 2 GiB, so every size below fits 32 bits.
  const auto bitsSize = static_cast<std::uint32_t>(picture.empty() ? 0 : picture.bits().size());
  const std::uint32_t stretchSize = picture.empty() ? 0 : kStretchFixedSize + infoSize + bitsSize;
  const std::uint32_t records = picture.empty() ? 2 : 3;

  Record header;
  header.u32(kEmrHeader);
  header.u32(kHeaderSize);
  // Bounds are inclusive device pixels; an empty picture has the empty (0,0,-1,-1).
  header.rect(0, 0, w - 1, h - 1);
  // The frame, in 0.01 mm, is the picture's extent on the reference screen: its far
  // edge is w * mm * 100 / pixels rounded to nearest, so that a player scaling the
  // frame back to the reference screen gets exactly w x h pixels.
  header.rect(0, 0, scaleRounded(w, std::int64_t{ref.widthMillimetres} * 100, ref.widthPixels),
              scaleRounded(h, std::int64_t{ref.heightMillimetres} * 100, ref.heightPixels));
  header.u32(kSignature);
  header.u32(kVersion);
  header.u32(kHeaderSize + stretchSize + kEofSize);
  header.u32(records);
  header.put16le(1);  // handles: only the reserved index 0
  header.put16le(0);
  header.u32(0);  // no description
  header.u32(0);
  header.u32(0);  // no palette entries
  header.i32(ref.widthPixels);
  header.i32(ref.heightPixels);
  header.i32(ref.widthMillimetres);
  header.i32(ref.heightMillimetres);
  header.u32(0);  // no pixel format descriptor
  header.u32(0);
  header.u32(0);  // no OpenGL records
  header.i32(scaleRounded(ref.widthMillimetres, 1000, 1));
  header.i32(scaleRounded(ref.heightMillimetres, 1000, 1));
  out.write(header.bytes);

  if (!picture.empty()) {
    Record stretch;
    stretch.u32(kEmrStretchDiBits);
    stretch.u32(stretchSize);
    stretch.rect(0, 0, w - 1, h - 1);
    stretch.i32(0);  // destination x, y
    stretch.i32(0);
    stretch.rect(0, 0, w, h);        // source x, y, cx, cy
    stretch.u32(kStretchFixedSize);  // BITMAPINFO offset and size
    stretch.u32(infoSize);
    stretch.u32(kStretchFixedSize + infoSize);  // bits offset and size
    stretch.u32(bitsSize);
    stretch.u32(kDibRgbColors);
    stretch.u32(kSrcCopy);
    stretch.i32(w);  // destination cx, cy
    stretch.i32(h);
    // Colours used 0: all 2^bits.
    writeBitmapInfo(stretch, picture, bitsSize, 0, entries);
    out.write(stretch.bytes);
    for (int y = h - 1; y >= 0; --y) out.write(picture.row(y), picture.stride());
  }

  Record eof;
  eof.u32(kEmrEof);
  eof.u32(kEofSize);
  eof.u32(0);         // no palette entries
  eof.u32(16);        // where they would start
  eof.u32(kEofSize);  // size of this record, repeated at its end
  out.write(eof.bytes);
}

}  // namespace snaprill
