#include "backends/qt/clipboard_offer.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cstdint>

#include "backends/qt/qimage_bitmap.h"
#include "formats/bmp/bmp_file.h"
#include "formats/format_error.h"
#include "formats/png/png_capture_reader.h"
#include "formats/png/png_layout.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

const QString kPng = QStringLiteral("image/png");

// Names some owners give Windows bitmaps besides image/bmp.
bool isBmpAlias(const QString& type) {
  return type == QLatin1String("image/x-bmp") || type == QLatin1String("image/x-ms-bmp") ||
         type == QLatin1String("image/x-win-bitmap");
}

// Drawings are not screenshots: whether Qt could draw an SVG depends only on which
// plugins happen to be installed, and a copied drawing is the user's own document,
// which taking would empty from the clipboard.
bool isDrawing(const QString& type) {
  return type.startsWith(QLatin1String("image/svg"));
}

bool readable(const QString& type) {
  static const QList<QByteArray> known = QImageReader::supportedMimeTypes();
  if (!type.startsWith(QLatin1String("image/"))) return false;
  if (isDrawing(type)) return false;
  return known.contains(type.toLatin1()) || (isBmpAlias(type) && known.contains("image/bmp"));
}

// Qt's readers refuse pictures above 128 MiB by default, less than an 8K screen
// takes in 32 bits; our own PNG reader's limit holds for them too.
void raiseReaderLimit() {
  static const bool raised = [] {
    QImageReader::setAllocationLimit(static_cast<int>(kMaxPngCaptureBytes >> 20));
    return true;
  }();
  (void)raised;
}

TakenPicture fromQtReaders(const QByteArray& bytes) {
  raiseReaderLimit();
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  // The content decides the reader, not the name it was offered under: owners
  // mislabel, and a name is no promise about the bytes.
  QImageReader reader(&buffer);
  const QSize size = reader.size();
  if (size.isValid()) {
    const std::uint64_t pixels = std::uint64_t(size.width()) * std::uint64_t(size.height());
    if (pixels * 4 > kMaxPngCaptureBytes) return {Bitmap(), LostReason::TooLarge};
    if (pixels > std::uint64_t(bytes.size()) * kMostPixelsPerByte) return {};
  }
  const QImage image = reader.read();
  if (image.isNull()) return {};
  try {
    return {bitmapFromQImage(image)};
  } catch (const BitmapError& e) {
    if (e.kind() == BitmapErrorKind::TooLarge) return {Bitmap(), LostReason::TooLarge};
    return {};
  }
}

// libpng reserves as much as a chunk's header claims before reading it: 608 bytes
// claiming a text chunk of 1.6 GB (found by fuzzing) cost it 15 s and 1.6 GiB.
bool claimsMoreThanSent(const QByteArray& bytes) {
  const auto* file = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  const auto size = static_cast<std::size_t>(bytes.size());
  return startsWithPngSignature(file, size) && !pngChunksFit(file, size);
}

// Qt's BMP reader leaves the rows a short file lacks as whatever memory held
// before, which would be saved as the capture. Ours refuses such files, and reads
// every kind an owner sends; only 32-bit files, which may carry transparency, are
// drawn by Qt's reader then (over white), now that they are known to be whole.
TakenPicture fromBmp(const QByteArray& bytes) {
  Bitmap picture;
  try {
    picture = readBmp(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
  } catch (const FormatError& e) {
    if (e.kind() == FormatErrorKind::TooLarge) return {Bitmap(), LostReason::TooLarge};
    return {};
  }
  if (picture.bitsPerPixel() == 32) return fromQtReaders(bytes);
  return {picture.convertedTo(32)};
}

// The hint's one defined value is "secret". The type alone decides: reading the
// value would take one more transfer from the owner before the picture, and a
// password is better left alone once too often than saved once.
bool offersSecret(const QStringList& targets) {
  return targets.contains(QLatin1String("x-kde-passwordManagerHint"));
}

}  // namespace

bool offersPlainText(const QStringList& targets) {
  for (const QString& type : targets) {
    if (type == QLatin1String("text/plain") || type.startsWith(QLatin1String("text/plain;")) ||
        type == QLatin1String("UTF8_STRING") || type == QLatin1String("STRING") ||
        type == QLatin1String("TEXT") || type == QLatin1String("COMPOUND_TEXT")) {
      return true;
    }
  }
  return false;
}

bool offersRasterImage(const QStringList& targets) {
  for (const QString& type : targets) {
    if (type == kPixmapType || readable(type)) return true;
  }
  return false;
}

QString pictureTarget(const QStringList& targets, bool takeWithText) {
  if (offersSecret(targets) || targets.contains(kNotACaptureType)) return QString();
  if (!takeWithText && offersPlainText(targets)) return QString();
  if (targets.contains(kPng)) return kPng;
  for (const QString& type : targets) {
    if (readable(type)) return type;
  }
  return targets.contains(kPixmapType) ? kPixmapType : QString();
}

bool offersDrawingOnly(const QStringList& targets, bool takeWithText) {
  if (!pictureTarget(targets, true).isEmpty() || offersSecret(targets)) return false;
  if (!takeWithText && offersPlainText(targets)) return false;
  return std::any_of(targets.begin(), targets.end(), isDrawing);
}

TakenPicture pictureFromOffer(const QString& target, const QByteArray& bytes, ArrivingRows* rows) {
  if (bytes.isEmpty()) return {};
  if (bytes.size() > kMaxOfferBytes) return {Bitmap(), LostReason::TooLarge};
  if (target == kPng) {
    // Our reader first; it leaves the PNGs it does not take (other depths,
    // interlacing, transparency by a tRNS chunk, damage) to Qt's.
    const auto* file = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    Bitmap picture =
        rows != nullptr ? decodePngCapture(file, size, *rows) : decodePngCapture(file, size);
    if (!picture.empty()) return {std::move(picture)};
  }
  // The content decides, not the name it came under: owners mislabel.
  if (bytes.startsWith("BM")) return fromBmp(bytes);
  if (claimsMoreThanSent(bytes)) return {};
  return fromQtReaders(bytes);
}

}  // namespace snaprill
