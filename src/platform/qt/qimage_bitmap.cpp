#include "platform/qt/qimage_bitmap.h"

#include <cstdint>

namespace snaprill {

Bitmap BitmapFromQImage(const QImage& image) {
  if (image.isNull()) return Bitmap();
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  Bitmap out(rgb.width(), rgb.height(), 32);
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

QImage QImageFromBitmap(const Bitmap& bitmap) {
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
