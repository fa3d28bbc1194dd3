// Pictures through the desktop portal (org.freedesktop.portal.Screenshot), which
// every desktop's portal backend offers: the portal saves the picture into a file
// and names it in the Response signal of a Request object, which it sends only to
// the caller. Without asking, GNOME asks the user once whether we may; asking
// lets the user pick a window or an area.
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "image/bitmap.h"

namespace snaprill {

class PortalScreenshot : public QObject {
  Q_OBJECT

 public:
  // Whether a portal is on the session bus.
  static bool available();

  // 32 bpp; empty when the portal gave no picture (refused, cancelled, no answer).
  // Waits for the answer while the event loop runs.
  Bitmap grab(bool interactive);

 private slots:
  void answered(uint response, const QVariantMap& results);

 private:
  bool answered_ = false;
  uint response_ = 2;
  QString uri_;
  QEventLoop* waiting_ = nullptr;
};

}  // namespace snaprill
