#include "formats/emf/metafile_reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "base/unaligned.h"
#include "formats/bmp/bmp_file.h"
#include "formats/format_error.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

// Little-endian fields of a byte range; reading past its end is a truncated file.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : d_(data), n_(size) {}
  std::size_t size() const { return n_; }
  const std::uint8_t* at(std::size_t off, std::size_t len) const {
    if (off > n_ || len > n_ - off)
      throw FormatError(FormatErrorKind::Truncated, "Metafile is truncated");
    return d_ + off;
  }
  std::uint16_t u16(std::size_t off) const { return loadLe16(at(off, 2)); }
  std::int16_t i16(std::size_t off) const { return static_cast<std::int16_t>(u16(off)); }
  std::uint32_t u32(std::size_t off) const { return loadLe32(at(off, 4)); }
  std::int32_t i32(std::size_t off) const { return static_cast<std::int32_t>(u32(off)); }
  Bytes sub(std::size_t off, std::size_t len) const { return Bytes(at(off, len), len); }

 private:
  const std::uint8_t* d_;
  std::size_t n_;
};

// One picture record: a device-independent bitmap drawn from a source rectangle
// into a destination rectangle.
struct RasterOp {
  long long dx, dy, dw, dh;  // destination, canvas pixels once mapped
  long long sx, sy, sw, sh;  // source, in the DIB's own coordinates
  bool sourceFromBottom;     // DIB calls count source rows from the bottom
  std::vector<std::uint8_t> info;
  Bytes bits{nullptr, 0};
  std::optional<long long> scans;  // rows actually present (SetDIBitsToDevice)
  long long firstScan = 0;
};

// BITMAPINFO size: header plus colour table plus the colour masks that some
// headers carry after the header.
std::size_t dibInfoSize(const Bytes& dib) {
  const std::uint32_t headerSize = dib.u32(0);
  if (headerSize == 12) {
    const unsigned bitCount = dib.u16(10);
    return 12 + (bitCount <= 8 ? (std::size_t{1} << bitCount) * 3 : 0);
  }
  if (headerSize < 40 || headerSize > 4096)
    throw FormatError(FormatErrorKind::Damaged, "Metafile holds a bad bitmap");
  const unsigned bitCount = dib.u16(14);
  const std::uint32_t compression = dib.u32(16);
  const std::uint32_t used = dib.u32(32);
  std::size_t colours = used != 0 ? used : (bitCount <= 8 ? std::size_t{1} << bitCount : 0);
  if (colours > 65536) throw FormatError(FormatErrorKind::Damaged, "Metafile holds a bad bitmap");
  std::size_t size = headerSize + colours * 4;
  if (headerSize == 40 && compression == 3) size += 12;  // BI_BITFIELDS masks
  if (headerSize == 40 && compression == 6) size += 16;  // BI_ALPHABITFIELDS masks
  return size;
}

std::int32_t dibHeight(const RasterOp& op) {
  std::int32_t height = 0;
  if (op.info.size() >= 40) std::memcpy(&height, op.info.data() + 8, 4);
  return height;
}

// Whether the bits hold only some of the DIB's scans (SetDIBitsToDevice).
bool partialScans(const RasterOp& op) {
  return op.scans && *op.scans > 0 && *op.scans < std::llabs(static_cast<long long>(dibHeight(op)));
}

// A DIB from a metafile record, decoded by the bitmap file reader behind a
// file header made up for it.
Bitmap decodeDib(const RasterOp& op) {
  std::vector<std::uint8_t> info = op.info;
  if (partialScans(op)) {
    const std::int32_t height = dibHeight(op);
    // Only the scans present are in the bits: the header says as much.
    const long long scans = *op.scans;
    const std::int32_t patched = static_cast<std::int32_t>(height < 0 ? -scans : scans);
    std::memcpy(info.data() + 8, &patched, 4);
  }
  const std::size_t offset = 14 + info.size();
  const std::size_t total = offset + op.bits.size();
  std::vector<std::uint8_t> file(total);
  file[0] = 'B';
  file[1] = 'M';
  const auto put32 = [&file](std::size_t at, std::size_t v) {
    for (int i = 0; i < 4; ++i)
      file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(2, total);
  put32(10, offset);
  std::memcpy(file.data() + 14, info.data(), info.size());
  if (op.bits.size() > 0)
    std::memcpy(file.data() + offset, op.bits.at(0, op.bits.size()), op.bits.size());
  return readBmp(file.data(), file.size());
}

RasterOp dibOp(const Bytes& info, const Bytes& bits) {
  RasterOp op{};
  op.info.assign(info.at(0, info.size()), info.at(0, info.size()) + info.size());
  op.bits = bits;
  return op;
}

// --- enhanced metafiles ---

constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrBitBlt = 76, kEmrStretchBlt = 77,
                        kEmrSetDIBitsToDevice = 80, kEmrStretchDIBits = 81;

struct Canvas {
  long long left = 0, top = 0, width = 0, height = 0;
};

// a * b / c rounded to the nearest integer, halves up, for c > 0: a canvas of
// 122.88 pixels is 123 wide, as drawing programs render it, not 122.
// The factors are header fields of 32 bits each: their product needs more than 64.
long long scaledRounded(long long a, long long b, long long c) {
  using Wide = __int128;
  const Wide twice = Wide{2} * a * b + c;
  const Wide rounded = twice >= 0 ? twice / (2 * c) : -((-twice + 2 * c - 1) / (2 * c));
  return static_cast<long long>(std::clamp<Wide>(rounded, LLONG_MIN, LLONG_MAX));
}

// The source bitmap of a record: BITMAPINFO and bits at the given offsets of it.
std::optional<RasterOp> emfSource(const Bytes& rec, std::size_t fieldsAt) {
  const std::uint32_t offInfo = rec.u32(fieldsAt), cbInfo = rec.u32(fieldsAt + 4);
  const std::uint32_t offBits = rec.u32(fieldsAt + 8), cbBits = rec.u32(fieldsAt + 12);
  if (cbInfo == 0) return std::nullopt;  // a pattern fill: no picture to draw
  return dibOp(rec.sub(offInfo, cbInfo), rec.sub(offBits, cbBits));
}

std::optional<RasterOp> emfRecord(std::uint32_t type, const Bytes& rec) {
  std::optional<RasterOp> op;
  switch (type) {
    case kEmrBitBlt:
    case kEmrStretchBlt:
      op = emfSource(rec, 84);
      if (!op) return op;
      op->dx = rec.i32(24), op->dy = rec.i32(28), op->dw = rec.i32(32), op->dh = rec.i32(36);
      op->sx = rec.i32(44), op->sy = rec.i32(48);
      op->sw = type == kEmrStretchBlt ? rec.i32(100) : op->dw;
      op->sh = type == kEmrStretchBlt ? rec.i32(104) : op->dh;
      op->sourceFromBottom = false;
      return op;
    case kEmrSetDIBitsToDevice:
    case kEmrStretchDIBits:
      op = emfSource(rec, 48);
      if (!op) return op;
      op->dx = rec.i32(24), op->dy = rec.i32(28);
      op->sx = rec.i32(32), op->sy = rec.i32(36), op->sw = rec.i32(40), op->sh = rec.i32(44);
      if (type == kEmrStretchDIBits) {
        op->dw = rec.i32(72), op->dh = rec.i32(76);
      } else {
        op->dw = op->sw, op->dh = op->sh;
        op->firstScan = rec.u32(68);
        op->scans = rec.u32(72);
      }
      op->sourceFromBottom = true;
      return op;
    default:
      return std::nullopt;
  }
}

std::vector<RasterOp> readEmf(const Bytes& file, Canvas& canvas) {
  if (file.u32(0) != kEmrHeader || file.u32(40) != 0x464D4520u) {
    throw FormatError(FormatErrorKind::NotThisFormat, "Not a metafile");
  }
  const long long left = file.i32(8), top = file.i32(12), right = file.i32(16),
                  bottom = file.i32(20);
  canvas = Canvas{left, top, right - left + 1, bottom - top + 1};
  if (canvas.width <= 0 || canvas.height <= 0) {
    // No device bounds: the frame (0.01 mm) at the reference device's resolution.
    const long long devW = file.i32(72), devH = file.i32(76), mmW = file.i32(80),
                    mmH = file.i32(84);
    if (mmW <= 0 || mmH <= 0) throw FormatError(FormatErrorKind::Damaged, "Metafile has no size");
    canvas.left = 0, canvas.top = 0;
    canvas.width =
        scaledRounded(static_cast<long long>(file.i32(32)) - file.i32(24), devW, mmW * 100);
    canvas.height =
        scaledRounded(static_cast<long long>(file.i32(36)) - file.i32(28), devH, mmH * 100);
  }
  std::vector<RasterOp> ops;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const std::uint32_t type = file.u32(pos);
    const std::uint32_t size = file.u32(pos + 4);
    if (size < 8 || size % 4 != 0)
      throw FormatError(FormatErrorKind::Damaged, "Metafile is corrupt");
    const Bytes rec = file.sub(pos, size);
    if (type == kEmrEof) break;
    if (std::optional<RasterOp> op = emfRecord(type, rec)) {
      // The record's own bounds are in device units and already hold every
      // transform; the destination fields are logical units.
      const long long bl = rec.i32(8), bt = rec.i32(12), br = rec.i32(16), bb = rec.i32(20);
      if (br >= bl && bb >= bt) {
        op->dx = bl, op->dy = bt, op->dw = br - bl + 1, op->dh = bb - bt + 1;
      }
      op->dx -= canvas.left;
      op->dy -= canvas.top;
      ops.push_back(std::move(*op));
    }
    pos += size;
  }
  return ops;
}

// --- Windows metafiles ---

constexpr std::uint16_t kMetaEof = 0x0000, kMetaSetWindowOrg = 0x020B, kMetaSetWindowExt = 0x020C,
                        kMetaDibBitBlt = 0x0940, kMetaDibStretchBlt = 0x0B41,
                        kMetaSetDibToDev = 0x0D33, kMetaStretchDib = 0x0F43;

// Logical coordinates to canvas pixels.
struct Mapping {
  long long orgX = 0, orgY = 0, extX = 1, extY = 1;  // window
  long long devX = 1, devY = 1;                      // canvas size for the window extent
  long long x(long long v) const { return (v - orgX) * devX / extX; }
  long long y(long long v) const { return (v - orgY) * devY / extY; }
  long long w(long long v) const { return v * devX / extX; }
  long long h(long long v) const { return v * devY / extY; }
};

// Parameters of a record, counted in 16-bit words from the first one.
struct WmfRecord {
  Bytes rec;
  std::uint16_t function;
  std::uint32_t words;
  std::int16_t p(std::size_t i) const { return rec.i16(6 + 2 * i); }
  Bytes dibFrom(std::size_t i) const {
    const std::size_t off = 6 + 2 * i;
    return rec.sub(off, rec.size() - off);
  }
};

std::optional<RasterOp> wmfRecord(const WmfRecord& r) {
  // A record without a bitmap is exactly its parameters long: nothing to draw.
  const std::uint32_t bare = (r.function >> 8) + 3u;
  if ((r.function == kMetaDibBitBlt || r.function == kMetaDibStretchBlt) && r.words == bare) {
    return std::nullopt;
  }
  const auto withDib = [&r](std::size_t at) {
    const Bytes dib = r.dibFrom(at);
    const std::size_t infoSize = dibInfoSize(dib);
    return dibOp(dib.sub(0, infoSize), dib.sub(infoSize, dib.size() - infoSize));
  };
  RasterOp op{};
  switch (r.function) {
    case kMetaDibBitBlt:  // rop(2 words), ySrc, xSrc, height, width, yDest, xDest
      op = withDib(8);
      op.sy = r.p(2), op.sx = r.p(3), op.sh = op.dh = r.p(4), op.sw = op.dw = r.p(5);
      op.dy = r.p(6), op.dx = r.p(7);
      op.sourceFromBottom = false;
      return op;
    case kMetaDibStretchBlt:  // rop, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
      op = withDib(10);
      op.sh = r.p(2), op.sw = r.p(3), op.sy = r.p(4), op.sx = r.p(5);
      op.dh = r.p(6), op.dw = r.p(7), op.dy = r.p(8), op.dx = r.p(9);
      op.sourceFromBottom = false;
      return op;
    case kMetaSetDibToDev:  // usage, scans, start, yDib, xDib, height, width, yDest, xDest
      op = withDib(9);
      op.scans = static_cast<std::uint16_t>(r.p(1));
      op.firstScan = static_cast<std::uint16_t>(r.p(2));
      op.sy = r.p(3), op.sx = r.p(4), op.sh = op.dh = r.p(5), op.sw = op.dw = r.p(6);
      op.dy = r.p(7), op.dx = r.p(8);
      op.sourceFromBottom = true;
      return op;
    case kMetaStretchDib:  // rop(2), usage, srcH, srcW, ySrc, xSrc, destH, destW, yDest, xDest
      op = withDib(11);
      op.sh = r.p(3), op.sw = r.p(4), op.sy = r.p(5), op.sx = r.p(6);
      op.dh = r.p(7), op.dw = r.p(8), op.dy = r.p(9), op.dx = r.p(10);
      op.sourceFromBottom = true;
      return op;
    default:
      return std::nullopt;
  }
}

std::vector<RasterOp> readWmf(const Bytes& file, Canvas& canvas) {
  std::size_t pos = 0;
  Mapping map;
  bool sized = false;
  if (file.u32(0) == 0x9AC6CDD7u) {
    const long long l = file.i16(6), t = file.i16(8), r = file.i16(10), b = file.i16(12);
    long long inch = file.u16(14);
    if (inch == 0) inch = 1440;
    map.orgX = std::min(l, r), map.orgY = std::min(t, b);
    map.extX = std::max(1LL, std::llabs(r - l)), map.extY = std::max(1LL, std::llabs(b - t));
    map.devX = std::max(1LL, scaledRounded(map.extX, 96, inch));
    map.devY = std::max(1LL, scaledRounded(map.extY, 96, inch));
    canvas.width = map.devX, canvas.height = map.devY;
    sized = true;
    pos = 22;
  }
  const std::uint16_t kind = file.u16(pos);
  if ((kind != 1 && kind != 2) || file.u16(pos + 2) != 9)
    throw FormatError(FormatErrorKind::NotThisFormat, "Not a metafile");
  pos += 18;
  std::vector<RasterOp> ops;
  std::vector<Mapping> maps;
  while (pos < file.size()) {
    const std::uint32_t words = file.u32(pos);
    const std::uint16_t function = file.u16(pos + 4);
    if (function == kMetaEof) break;
    if (words < 3 || words > (file.size() - pos) / 2)
      throw FormatError(FormatErrorKind::Damaged, "Metafile is corrupt");
    const WmfRecord rec{file.sub(pos, 2 * std::size_t{words}), function, words};
    if (function == kMetaSetWindowOrg) {
      map.orgY = rec.p(0), map.orgX = rec.p(1);
    } else if (function == kMetaSetWindowExt) {
      map.extY = rec.p(0), map.extX = rec.p(1);
      if (map.extX == 0) map.extX = 1;
      if (map.extY == 0) map.extY = 1;
      if (!sized) {
        // Without a placeable header the window extent is the picture's size.
        map.devX = std::llabs(map.extX), map.devY = std::llabs(map.extY);
        canvas.width = map.devX, canvas.height = map.devY;
        sized = true;
      }
    } else if (std::optional<RasterOp> op = wmfRecord(rec)) {
      ops.push_back(std::move(*op));
      maps.push_back(map);
    }
    pos += 2 * std::size_t{words};
  }
  for (std::size_t i = 0; i < ops.size(); ++i) {
    RasterOp& op = ops[i];
    if (!sized) {
      // Neither header nor window extent: the pictures themselves give the size.
      canvas.width = std::max(canvas.width, op.dx + op.dw);
      canvas.height = std::max(canvas.height, op.dy + op.dh);
      continue;
    }
    const Mapping& m = maps[i];
    const long long x0 = m.x(op.dx), y0 = m.y(op.dy);
    op.dw = m.x(op.dx + op.dw) - x0, op.dh = m.y(op.dy + op.dh) - y0;
    op.dx = x0, op.dy = y0;
  }
  return ops;
}

void draw(Bitmap& canvas, const RasterOp& op, long long& budget) {
  if (op.dw <= 0 || op.dh <= 0 || op.sw <= 0 || op.sh <= 0) return;  // mirrors and empties
  const Bitmap dib = decodeDib(op);
  long long sy = partialScans(op) ? op.sy - op.firstScan : op.sy;
  const bool topDown = dibHeight(op) < 0;
  // DIB calls count source rows from the bottom of a bottom-up DIB; a partial DIB
  // starts at its first scan.
  if (op.sourceFromBottom && !topDown) sy = dib.height() - sy - op.sh;
  const auto fits = [](long long v) { return v >= INT32_MIN / 2 && v <= INT32_MAX / 2; };
  if (!fits(op.dx) || !fits(op.dy) || !fits(op.dw) || !fits(op.dh) || !fits(op.sx) || !fits(sy) ||
      !fits(op.sw) || !fits(op.sh)) {
    return;
  }
  // Stretching costs the visible destination plus the source it shrinks from.
  const long long visW = std::clamp(op.dx + op.dw, 0LL, static_cast<long long>(canvas.width())) -
                         std::clamp(op.dx, 0LL, static_cast<long long>(canvas.width()));
  const long long visH = std::clamp(op.dy + op.dh, 0LL, static_cast<long long>(canvas.height())) -
                         std::clamp(op.dy, 0LL, static_cast<long long>(canvas.height()));
  budget -= visW * visH + static_cast<long long>(dib.width()) * dib.height();
  if (budget < 0) throw FormatError(FormatErrorKind::TooLarge, "Metafile is too complex to draw");
  const auto i = [](long long v) { return static_cast<int>(v); };
  stretchCopy(canvas, Rect{i(op.dx), i(op.dy), i(op.dx + op.dw), i(op.dy + op.dh)}, dib,
              Rect{i(op.sx), i(sy), i(op.sx + op.sw), i(sy + op.sh)});
}

}  // namespace

Bitmap readMetafile(const std::uint8_t* data, std::size_t size) {
  const Bytes file(data, size);
  Canvas canvas;
  std::vector<RasterOp> ops =
      file.u32(0) == kEmrHeader ? readEmf(file, canvas) : readWmf(file, canvas);
  if (ops.empty())
    throw FormatError(FormatErrorKind::Empty, "Metafile holds no picture that can be drawn");
  constexpr const char* kOutOfRange = "Metafile size is out of range";
  if (canvas.width <= 0 || canvas.height <= 0)
    throw FormatError(FormatErrorKind::Damaged, kOutOfRange);
  if (canvas.width > 65535 || canvas.height > 65535 ||
      !withinPixelBudget(static_cast<std::uint64_t>(canvas.width),
                         static_cast<std::uint64_t>(canvas.height))) {
    throw FormatError(FormatErrorKind::TooLarge, kOutOfRange);
  }
  Bitmap out(static_cast<int>(canvas.width), static_cast<int>(canvas.height), 24);
  for (int y = 0; y < out.height(); ++y) {
    std::memset(out.row(y), 255, 3 * static_cast<std::size_t>(out.width()));
  }
  long long budget = 16 * static_cast<long long>(kMaxPicturePixels);
  for (const RasterOp& op : ops) draw(out, op, budget);
  return out;
}

}  // namespace snaprill
