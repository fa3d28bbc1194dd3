#include "platform/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QScopedValueRollback>

#include "formats/png/png_capture_reader.h"
#include "platform/qt/qimage_bitmap.h"

namespace snaprill {

bool offersRasterImage(const QStringList& mimeTypes) {
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
  refresh();
}

void QtClipboard::refreshFromX11() {
  if (clipboard_->ownsClipboard()) return;  // Qt answers for our own content
  offered_ = offersRasterImage(x11_.offeredTypes());
  emit changed();
}

void QtClipboard::refresh() {
  // Qt reports our own emptying while it happens; asking the X server what is
  // offered then would only cost a round trip in the middle of a capture.
  if (clearing_) return;
  // Other programs' offers are followed on our own X11 connection. Qt may tell of
  // losing our own content after that connection has told of the new owner.
  if (x11_.active() && !clipboard_->ownsClipboard()) {
    refreshFromX11();
    return;
  }
  // One request for the offered types per change (Qt caches the answer for the
  // current owner); nothing between changes.
  const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
  offered_ = data != nullptr && offersRasterImage(data->formats());
  emit changed();
}

Bitmap QtClipboard::takeBitmap() {
  return take(nullptr);
}

Bitmap QtClipboard::takeArrivingBitmap(ArrivingRows& rows) {
  return take(&rows);
}

namespace {

const QString kPng = QStringLiteral("image/png");

// Our reader first, Qt's general one for the PNGs ours leaves to it.
Bitmap decodePng(const QByteArray& bytes, ArrivingRows* rows) {
  const auto* file = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  const auto size = static_cast<std::size_t>(bytes.size());
  Bitmap picture =
      rows != nullptr ? decodePngCapture(file, size, *rows) : decodePngCapture(file, size);
  if (!picture.empty()) return picture;
  QImage image;
  if (image.loadFromData(bytes, "PNG")) return bitmapFromQImage(image);
  return Bitmap();
}

}  // namespace

namespace {

const QString kQtImage = QStringLiteral("application/x-qt-image");

// A picture we offer ourselves. Qt offers other programs every image type it can
// write once an image is there, and asks for the image only when one of them wants
// it; the capture cycle takes the bitmap itself, unconverted.
class OwnPicture : public QMimeData {
 public:
  explicit OwnPicture(Bitmap picture) : picture_(std::move(picture)) {}
  Bitmap take() {
    image_ = QImage();
    return std::move(picture_);
  }
  QStringList formats() const override { return {kQtImage}; }
  bool hasFormat(const QString& type) const override { return type == kQtImage; }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type != kQtImage) return {};
    if (image_.isNull()) image_ = qimageFromBitmap(picture_);
    return image_;
  }

 private:
  Bitmap picture_;
  mutable QImage image_;
};

}  // namespace

void QtClipboard::offer(Bitmap picture) {
  auto* data = new OwnPicture(std::move(picture));
  own_ = data;
  clipboard_->setMimeData(data, QClipboard::Clipboard);  // Qt owns it from here
  // Qt keeps one window for its clipboard: once known, our own offers cost the
  // reader of other programs' offers nothing.
  if (!ownWindowKnown_ && x11_.active() && clipboard_->ownsClipboard()) {
    x11_.setOwnWindow(x11_.currentOwner());
    ownWindowKnown_ = true;
  }
  if (!offered_ && clipboard_->ownsClipboard()) {
    offered_ = true;
    emit changed();
  }
}

Bitmap QtClipboard::takeOwn() {
  if (own_.isNull() || !clipboard_->ownsClipboard() ||
      clipboard_->mimeData(QClipboard::Clipboard) != own_.data()) {
    return Bitmap();
  }
  return static_cast<OwnPicture*>(own_.data())->take();
}

Bitmap QtClipboard::take(ArrivingRows* rows) {
  Bitmap own = takeOwn();
  if (!own.empty()) return own;
  // Screenshots from other programs mostly come as PNG. Reading its bytes and
  // decoding them ourselves takes a fraction of the general image conversion,
  // which would decode the same bytes more slowly. A picture we put there
  // ourselves is handed over in process, without any encoding.
  if (!clipboard_->ownsClipboard()) {
    Bitmap picture = x11_.active() ? takeFromX11(rows) : takePngThroughQt(rows);
    if (!picture.empty() || x11_.active()) return picture;
  }
  return bitmapFromQImage(clipboard_->image(QClipboard::Clipboard));
}

Bitmap QtClipboard::takeFromX11(ArrivingRows* rows) {
  // Qt would ask whoever owns the clipboard by the time it asks: once the
  // clipboard has changed hands, the picture of the owner we know is gone, and the
  // new owner's is taken when its own notification has been handled.
  if (x11_.offeredTypes().contains(kPng)) {
    const QByteArray bytes = x11_.fetch(kPng);
    if (bytes.isEmpty()) return Bitmap();
    Bitmap picture = decodePng(bytes, rows);
    if (!picture.empty() || x11_.changePending()) return picture;
  } else if (x11_.changePending()) {
    return Bitmap();
  }
  return bitmapFromQImage(clipboard_->image(QClipboard::Clipboard));
}

Bitmap QtClipboard::takePngThroughQt(ArrivingRows* rows) {
  const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
  if (data == nullptr || !data->hasFormat(kPng)) return Bitmap();
  return decodePng(data->data(kPng), rows);
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
