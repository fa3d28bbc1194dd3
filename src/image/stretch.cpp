// The stretching copy and the plain pixel-for-pixel draw.
#include <algorithm>
#include <cstring>

#include "base/unaligned.h"
#include "image/bitmap.h"

namespace snaprill {

namespace {

// Source span [first, last) that destination cell i of n covers when `extent`
// source cells map onto `n` destination cells (extent may be smaller or larger).
void sourceSpan(long long i, long long n, long long extent, long long& first, long long& last) {
  first = i * extent / n;
  last = std::max(first + 1, (i + 1) * extent / n);
}

// Raw pixel value as an integer, so that AND combines pixels as the device does.
std::uint32_t rawPixel(const Bitmap& b, int x, int y) {
  const std::uint8_t* r = b.row(y);
  switch (b.bitsPerPixel()) {
    case 32: {
      std::uint32_t v;
      std::memcpy(&v, r + 4 * static_cast<std::size_t>(x), 4);
      return v;
    }
    case 24: {
      const std::uint8_t* p = r + 3 * static_cast<std::size_t>(x);
      return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    case 16:
      return loadLe16(r + 2 * x);
    default:
      return b.index(x, y);
  }
}

void setRawPixel(Bitmap& b, int x, int y, std::uint32_t v) {
  std::uint8_t* r = b.row(y);
  switch (b.bitsPerPixel()) {
    case 32:
      std::memcpy(r + 4 * static_cast<std::size_t>(x), &v, 4);
      break;
    case 24: {
      std::uint8_t* p = r + 3 * static_cast<std::size_t>(x);
      p[0] = static_cast<std::uint8_t>(v);
      p[1] = static_cast<std::uint8_t>(v >> 8);
      p[2] = static_cast<std::uint8_t>(v >> 16);
      break;
    }
    case 16:
      r[2 * x] = static_cast<std::uint8_t>(v);
      r[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      break;
    default:
      b.setIndex(x, y, v);
      break;
  }
}

// A copy at the same scale between bitmaps of one byte-aligned format (a crop):
// whole row spans at a time, the same result as the general path.
void copySameScale(Bitmap& dst, const Rect& d, const Bitmap& src, const Rect& s) {
  const long long dx = static_cast<long long>(s.left) - d.left;  // source x = dest x + dx
  const long long dy = static_cast<long long>(s.top) - d.top;
  const long long x0 = std::max({0LL, static_cast<long long>(d.left), -dx});
  const long long x1 = std::min(
      {static_cast<long long>(dst.width()), static_cast<long long>(d.right), src.width() - dx});
  const long long y0 = std::max({0LL, static_cast<long long>(d.top), -dy});
  const long long y1 = std::min(
      {static_cast<long long>(dst.height()), static_cast<long long>(d.bottom), src.height() - dy});
  if (x0 >= x1 || y0 >= y1) return;
  const std::size_t bytes = static_cast<std::size_t>(dst.bitsPerPixel() / 8);
  for (long long y = y0; y < y1; ++y) {
    std::memcpy(dst.row(static_cast<int>(y)) + static_cast<std::size_t>(x0) * bytes,
                src.row(static_cast<int>(y + dy)) + static_cast<std::size_t>(x0 + dx) * bytes,
                static_cast<std::size_t>(x1 - x0) * bytes);
  }
}

}  // namespace

void stretchCopy(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect) {
  const long long dw = dstRect.width();
  const long long dh = dstRect.height();
  const long long sw = srcRect.width();
  const long long sh = srcRect.height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  // Pixels are ANDed as raw values, as the device does; a source of another format
  // or palette is combined as 32-bit colours and then stored in dst's format.
  const bool sameFormat =
      src.bitsPerPixel() == dst.bitsPerPixel() && src.palette() == dst.palette();
  Bitmap converted;
  if (!sameFormat) converted = src.convertedTo(32);
  const Bitmap* source = sameFormat ? &src : &converted;
  if (sameFormat && dw == sw && dh == sh && !dst.indexed()) {
    copySameScale(dst, dstRect, src, srcRect);
    return;
  }
  const int y0 = std::max(0, dstRect.top);
  const int y1 = static_cast<int>(std::min<long long>(dst.height(), dstRect.bottom));
  const int x0 = std::max(0, dstRect.left);
  const int x1 = static_cast<int>(std::min<long long>(dst.width(), dstRect.right));
  for (int y = y0; y < y1; ++y) {
    long long sy0, sy1;
    sourceSpan(y - dstRect.top, dh, sh, sy0, sy1);
    sy0 = std::max<long long>(sy0 + srcRect.top, 0);
    sy1 = std::min<long long>(sy1 + srcRect.top, source->height());
    for (int x = x0; x < x1; ++x) {
      long long sx0, sx1;
      sourceSpan(x - dstRect.left, dw, sw, sx0, sx1);
      sx0 = std::max<long long>(sx0 + srcRect.left, 0);
      sx1 = std::min<long long>(sx1 + srcRect.left, source->width());
      if (sx0 >= sx1 || sy0 >= sy1) continue;
      std::uint32_t v = 0xFFFFFFFFu;
      for (long long sy = sy0; sy < sy1; ++sy)
        for (long long sx = sx0; sx < sx1; ++sx)
          v &= rawPixel(*source, static_cast<int>(sx), static_cast<int>(sy));
      if (sameFormat) {
        setRawPixel(dst, x, y, v);
      } else {
        dst.setPixel(x, y,
                     Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v)});
      }
    }
  }
}

void drawBitmap(Bitmap& dst, int x, int y, const Bitmap& src) {
  if (src.empty() || dst.empty()) return;
  const int sx0 = std::max(0, -x);
  const int sy0 = std::max(0, -y);
  const long long sx1 = std::min<long long>(src.width(), static_cast<long long>(dst.width()) - x);
  const long long sy1 = std::min<long long>(src.height(), static_cast<long long>(dst.height()) - y);
  if (sx0 >= sx1 || sy0 >= sy1) return;
  if (src.bitsPerPixel() == dst.bitsPerPixel() && !dst.indexed()) {
    const std::size_t bytes = static_cast<std::size_t>(dst.bitsPerPixel() / 8);
    for (long long sy = sy0; sy < sy1; ++sy) {
      std::memcpy(dst.row(static_cast<int>(sy + y)) + static_cast<std::size_t>(sx0 + x) * bytes,
                  src.row(static_cast<int>(sy)) + static_cast<std::size_t>(sx0) * bytes,
                  static_cast<std::size_t>(sx1 - sx0) * bytes);
    }
    return;
  }
  for (long long sy = sy0; sy < sy1; ++sy)
    for (long long sx = sx0; sx < sx1; ++sx)
      dst.setPixel(static_cast<int>(sx + x), static_cast<int>(sy + y),
                   src.pixel(static_cast<int>(sx), static_cast<int>(sy)));
}

}  // namespace snaprill
