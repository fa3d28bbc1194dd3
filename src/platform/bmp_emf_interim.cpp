// Interim stand-ins for the bitmap and metafile file functions of bmp_file.h and
// emf_file.h, so that this branch links and its tests run before the full readers
// and writers land. Delete this file when they do: it reads and writes only
// uncompressed 8, 24 and 32-bit files.
#include <cstring>

#include "platform/bmp_file.h"
#include "platform/emf_file.h"
#include "platform/errors.h"

namespace snaprill {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

void put(ByteSink& out, std::uint32_t v, int bytes) {
  std::uint8_t b[4];
  for (int i = 0; i < bytes; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
  out.write(b, static_cast<std::size_t>(bytes));
}

}  // namespace

Bitmap ReadBmp(const std::uint8_t* d, std::size_t size) {
  if (size < 54 || d[0] != 'B' || d[1] != 'M') throw ReadError("Not a bitmap file");
  const std::uint32_t offset = le32(d + 10);
  const std::uint32_t header = le32(d + 14);
  if (header < 40 || header > size - 14) throw ReadError("Unsupported bitmap file");
  const auto width = static_cast<std::int32_t>(le32(d + 18));
  const auto height = static_cast<std::int32_t>(le32(d + 22));
  const int bits = d[28] | (d[29] << 8);
  if (le32(d + 30) != 0 || (bits != 8 && bits != 24 && bits != 32)) {
    throw ReadError("Unsupported bitmap file");
  }
  if (width <= 0 || height == 0 || height == INT32_MIN) throw ReadError("Bad bitmap size");
  const int rows = height < 0 ? -height : height;
  // The claimed size must fit the data before anything is allocated.
  if (offset > size ||
      Bitmap::strideFor(width, bits) > (size - offset) / static_cast<std::size_t>(rows)) {
    throw ReadError("Bitmap file is truncated");
  }
  Bitmap out(width, rows, bits);
  if (bits == 8) {
    const std::uint32_t used = le32(d + 46) ? le32(d + 46) : 256;
    if (used > 256 || 14 + header + 4ull * used > size) throw ReadError("Bad bitmap palette");
    for (std::uint32_t i = 0; i < used; ++i) {
      const std::uint8_t* q = d + 14 + header + 4 * i;
      out.palette()[i] = Rgb{q[2], q[1], q[0]};
    }
  }
  if (offset > size || out.stride() * static_cast<std::size_t>(rows) > size - offset) {
    throw ReadError("Bitmap file is truncated");
  }
  for (int y = 0; y < rows; ++y) {
    const int src = height < 0 ? y : rows - 1 - y;
    std::memcpy(out.row(y), d + offset + out.stride() * static_cast<std::size_t>(src),
                out.stride());
  }
  return out;
}

void WriteBmp(const Bitmap& picture, ByteSink& out) {
  if (picture.empty()) return;
  const Bitmap p = picture.bitsPerPixel() == 32 ? picture : picture.convertedTo(24);
  const auto image = static_cast<std::uint32_t>(p.stride() * static_cast<std::size_t>(p.height()));
  out.write("BM", 2);
  put(out, 54 + image, 4);
  put(out, 0, 4);
  put(out, 54, 4);
  put(out, 40, 4);
  put(out, static_cast<std::uint32_t>(p.width()), 4);
  put(out, static_cast<std::uint32_t>(p.height()), 4);
  put(out, 1, 2);
  put(out, static_cast<std::uint32_t>(p.bitsPerPixel()), 2);
  for (int i = 0; i < 6; ++i) put(out, 0, 4);
  for (int y = p.height() - 1; y >= 0; --y) out.write(p.row(y), p.stride());
}

void WriteEmf(const Bitmap&, const ReferenceScreen&, ByteSink&) {
  throw std::runtime_error("Enhanced metafiles are not written by this build");
}

}  // namespace snaprill
