// Pictures from KWin's screenshot service (org.kde.KWin.ScreenShot2 on the session
// bus). KWin answers only programs whose installed .desktop file lists the
// interface under X-KDE-DBUS-Restricted-Interfaces; it asks the user nothing.
// The pixels come raw through a pipe we hand over, described by the call's answer.
#pragma once

#include <QString>

#include "image/bitmap.h"

namespace snaprill {

class KWinScreenshot {
 public:
  // Whether KWin's service is on the session bus.
  static bool available();

  // 32 bpp; empty when KWin would not take the picture.
  Bitmap grabScreen(bool withCursor);
  // The active window with its frame.
  Bitmap grabActiveWindow();

 private:
  Bitmap capture(const QString& method, bool withCursor, bool withFrame);
};

}  // namespace snaprill
