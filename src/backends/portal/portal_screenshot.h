// Pictures through the desktop portal (org.freedesktop.portal.Screenshot), which
// every desktop's portal backend offers: the portal saves the picture into a file
// and names it in the Response of a Request object, which it sends only to the
// caller. The portal is reached through the bus, which starts it when it is not
// running yet. Without asking (`interactive` false) a desktop may ask the user
// once whether the program may take pictures at all (GNOME, and every portal from
// 1.18 on), and keeps the answer in its permission store; asking lets the user
// pick a window or an area.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

#include "backends/portal/portal_request.h"
#include "platform/screen_grabber.h"

namespace snaprill {

// Why a call for a picture (the portal's, or a desktop service's) gave none: the
// user's cancellation (response 1) and a refusal (response 2, or an error saying
// so) apart from a time limit, a way not offered, and anything else.
LostReason screenPictureReason(const PortalReply& reply);

class PortalScreenshot : public QObject {
  Q_OBJECT

 public:
  explicit PortalScreenshot(QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr)
      : QObject(parent), bus_(std::move(bus)) {}

  // Long enough for a user to answer the portal's question or choose a window.
  static constexpr std::chrono::milliseconds kAnswerTime{60000};

  // Takes a picture (32 bpp) and answers once through `done`, later, never from
  // inside this call, within kAnswerTime (and the registration before it): with
  // LostReason::ScreenRefused (the user or the desktop said no),
  // ScreenCancelled (the user cancelled), ScreenTimedOut, ScreenNotOffered (no
  // portal, or none with Screenshot) or ScreenUnreadable. `parentWindow` names the
  // window the desktop's question belongs to ("x11:1a00004"); empty for none.
  void take(bool interactive, const QString& parentWindow, GrabDone done);

  // What the desktop's permission store holds for this program's pictures taken
  // without asking.
  enum class Permission { Granted, Denied, Unset, Unknown };
  void lookUpPermission(std::function<void(Permission)> done);

 private:
  QDBusConnection bus_;
};

}  // namespace snaprill
