#include "backends/qt/qimage_bitmap.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "image/over_white.h"

namespace snaprill {

namespace {

// Each pixel over a white background.
Bitmap drawnOverWhite(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  Bitmap out(argb.width(), argb.height(), 32);
  for (int y = 0; y < argb.height(); ++y) {
    const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    std::uint8_t* dst = out.row(y);
    for (int x = 0; x < argb.width(); ++x, dst += 4) {
      const auto alpha = static_cast<unsigned>(qAlpha(src[x]));
      dst[0] = overWhite(static_cast<unsigned>(qBlue(src[x])), alpha);
      dst[1] = overWhite(static_cast<unsigned>(qGreen(src[x])), alpha);
      dst[2] = overWhite(static_cast<unsigned>(qRed(src[x])), alpha);
      dst[3] = 0;
    }
  }
  return out;
}

}  // namespace

Bitmap bitmapFromQImage(const QImage& image) {
  if (image.isNull()) return Bitmap();
  if (image.hasAlphaChannel()) return drawnOverWhite(image);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  Bitmap out(rgb.width(), rgb.height(), 32);
  if constexpr (std::endian::native == std::endian::little) {
    // RGB32 is 0xffRRGGBB per pixel, which a little-endian host stores as
    // B G R ff: our layout but for the X byte. Whole words keep this loop fast on
    // screen-sized pictures, where it sits in the capture's critical path.
    const std::size_t width = static_cast<std::size_t>(rgb.width());
    for (int y = 0; y < rgb.height(); ++y) copyBgrxPixels(rgb.constScanLine(y), out.row(y), width);
    return out;
  }
  for (int y = 0; y < rgb.height(); ++y) {
    // QRgb values rather than raw bytes: the byte order of RGB32 follows the host.
    const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    std::uint8_t* dst = out.row(y);
    for (int x = 0; x < rgb.width(); ++x, dst += 4) {
      dst[0] = static_cast<std::uint8_t>(qBlue(src[x]));
      dst[1] = static_cast<std::uint8_t>(qGreen(src[x]));
      dst[2] = static_cast<std::uint8_t>(qRed(src[x]));
      dst[3] = 0;
    }
  }
  return out;
}

QImage qimageFromBitmap(const Bitmap& bitmap) {
  if (bitmap.empty()) return QImage();
  Bitmap converted;
  if (bitmap.bitsPerPixel() != 32) converted = bitmap.convertedTo(32);
  const Bitmap& b32 = bitmap.bitsPerPixel() == 32 ? bitmap : converted;
  QImage out(b32.width(), b32.height(), QImage::Format_RGB32);
  for (int y = 0; y < b32.height(); ++y) {
    const std::uint8_t* src = b32.row(y);
    auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < b32.width(); ++x, src += 4) dst[x] = qRgb(src[2], src[1], src[0]);
  }
  return out;
}

}  // namespace snaprill
