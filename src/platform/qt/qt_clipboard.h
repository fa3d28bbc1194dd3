// The system clipboard. On X11 other programs' offers are followed on a connection
// of our own (x11_clipboard.h), which learns of every change of the CLIPBOARD
// selection's owner from XFixes notifications; elsewhere, and for our own content,
// Qt's clipboard answers. The offered types are looked at once per change and the
// answer kept, so hasBitmap() costs nothing and never talks to the X server.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "platform/qt/x11_clipboard.h"
#include "platform/services.h"

class QClipboard;
class QMimeData;

namespace snaprill {

// Whether a list of offered MIME types holds a picture Qt can decode: any image type
// its image readers know, or Qt's own image type. Vector types (SVG) and text are
// not pictures here.
bool offersRasterImage(const QStringList& mimeTypes);

class QtClipboard : public QObject, public Clipboard {
  Q_OBJECT

 public:
  // Watches the application's clipboard; needs a QGuiApplication.
  QtClipboard();

  bool hasBitmap() const override { return offered_; }
  Bitmap takeBitmap() override;
  Bitmap takeArrivingBitmap(ArrivingRows& rows) override;
  void clear() override;
  // Other programs are served an image made from it only when they ask for one.
  void offer(Bitmap picture) override;

 signals:
  // Emitted after every change of the clipboard, once hasBitmap() is up to date.
  void changed();

 private:
  void refresh();
  void refreshFromX11();
  // The offered picture; with `rows`, its rows may still be arriving.
  Bitmap take(ArrivingRows* rows);
  // Another program's picture, read on our own X11 connection; empty when none
  // could be had.
  Bitmap takeFromX11(ArrivingRows* rows);
  // Another program's picture as PNG through Qt; empty when it offers no PNG or
  // the PNG cannot be read.
  Bitmap takePngThroughQt(ArrivingRows* rows);

  // Our own offer's picture, when the clipboard still holds that offer.
  Bitmap takeOwn();

  QClipboard* clipboard_;
  QPointer<QMimeData> own_;  // Qt deletes it when the clipboard changes hands
  bool offered_ = false;
  bool ownWindowKnown_ = false;
  bool clearing_ = false;
  X11ClipboardReader x11_;
};

}  // namespace snaprill
