// Pictures from KWin's screenshot service (org.kde.KWin.ScreenShot2 on the session
// bus). KWin answers only programs it finds an installed desktop file for (one
// whose Exec names the program's own path, data/snaprill.desktop.in) that lists the
// interface under X-KDE-DBUS-Restricted-Interfaces; it asks the user nothing.
// The pixels come raw through a pipe we hand over, described by the call's answer,
// which comes before the pixels do: both are awaited in the event loop.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>

#include "platform/screen_grabber.h"

namespace snaprill {

class KWinScreenshot : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The answer and the pixels after it, each: a KWin that hangs must not keep the
  // picture from the next way.
  static constexpr std::chrono::milliseconds kAnswerTime{5000};

  // 32 bpp, answered once through `done`, never from inside this call: the whole
  // screen, or the active window with its frame. LostReason::ScreenNotOffered where
  // KWin's service is not on the bus, ScreenRefused where KWin does not authorise
  // the program, ScreenCancelled where it gave up (a KWin that cannot draw).
  void take(const GrabRequest& request, GrabDone done);
};

}  // namespace snaprill
