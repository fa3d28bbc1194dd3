#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QScopedValueRollback>

#include "platform/png_capture.h"
#include "platform/qt/qimage_bitmap.h"

namespace snaprill {

bool OffersRasterImage(const QStringList& mimeTypes) {
  static const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
  for (const QString& type : mimeTypes) {
    if (type == QLatin1String("application/x-qt-image")) return true;
    if (type.startsWith(QLatin1String("image/")) && readable.contains(type.toLatin1())) {
      return true;
    }
  }
  return false;
}

QtClipboard::QtClipboard() : clipboard_(QGuiApplication::clipboard()) {
  connect(clipboard_, &QClipboard::dataChanged, this, &QtClipboard::refresh);
  connect(&x11_, &X11ClipboardReader::changed, this, &QtClipboard::refreshFromX11);
  if (x11_.active()) {
    refreshFromX11();
  } else {
    refresh();
  }
}

void QtClipboard::refreshFromX11() {
  if (clipboard_->ownsClipboard()) return;  // Qt answers for our own content
  offered_ = OffersRasterImage(x11_.offeredTypes());
  emit changed();
}

void QtClipboard::refresh() {
  // Qt reports our own emptying while it happens; asking the X server what is
  // offered then would only cost a round trip in the middle of a capture.
  if (clearing_) return;
  // Other programs' offers are followed on our own X11 connection, which says when
  // they change.
  if (x11_.active() && !clipboard_->ownsClipboard()) return;
  // One request for the offered types per change (Qt caches the answer for the
  // current owner); nothing between changes.
  const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
  offered_ = data != nullptr && OffersRasterImage(data->formats());
  emit changed();
}

Bitmap QtClipboard::takeBitmap() {
  ArrivingRows rows;
  Bitmap picture = takeArrivingBitmap(rows);
  rows.complete();
  return picture;
}

Bitmap QtClipboard::takeArrivingBitmap(ArrivingRows& rows) {
  // Screenshots from other programs mostly come as PNG. Reading its bytes and
  // decoding them ourselves takes a fraction of the general image conversion,
  // which would decode the same bytes more slowly. A picture we put there
  // ourselves is handed over in process, without any encoding.
  const QString png = QStringLiteral("image/png");
  QByteArray bytes;
  if (!clipboard_->ownsClipboard()) {
    if (x11_.active()) {
      if (x11_.offeredTypes().contains(png)) bytes = x11_.fetch(png);
    } else if (const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
               data != nullptr && data->hasFormat(png)) {
      bytes = data->data(png);
    }
  }
  if (!bytes.isEmpty()) {
    Bitmap picture = DecodePngCapture(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size()), rows);
    if (!picture.empty()) return picture;
    QImage image;
    if (image.loadFromData(bytes, "PNG")) return BitmapFromQImage(image);
  }
  return BitmapFromQImage(clipboard_->image(QClipboard::Clipboard));
}

void QtClipboard::clear() {
  // Another program's picture is released without waiting for the server; the
  // notification of that change arrives later, as for any other change. Our own
  // content goes through Qt, which must forget it.
  if (clipboard_->ownsClipboard() || !x11_.release()) {
    const QScopedValueRollback clearing(clearing_, true);
    clipboard_->clear(QClipboard::Clipboard);
  }
  // The cycle must not see the same picture again, whenever the notification of
  // our own change arrives.
  if (offered_) {
    offered_ = false;
    emit changed();
  }
}

}  // namespace snaprill
