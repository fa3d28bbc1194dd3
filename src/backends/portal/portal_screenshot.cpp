#include "backends/portal/portal_screenshot.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <QUrl>
#include <exception>

#include "backends/portal/portal_registration.h"
#include "backends/portal/portal_request.h"
#include "formats/loader/picture_loader.h"

namespace snaprill {

namespace {

// The store answers at once; it is a small service of its own, started by the bus.
constexpr std::chrono::milliseconds kLookupTime{5000};

// The picture in the file the portal made for this capture alone, which goes then:
// ours is the numbered copy.
TakenPicture pictureIn(const QString& uri) {
  const QUrl url(uri);
  if (!url.isLocalFile()) return {Bitmap(), LostReason::ScreenUnreadable};
  const QString file = url.toLocalFile();
  Bitmap picture;
  try {
    // Our own readers, with their limits on what a file may make us allocate.
    picture = loadPictureFile(QFile::encodeName(file).toStdString());
    if (!picture.empty() && picture.bitsPerPixel() != 32) picture.convertTo(32);
  } catch (const std::exception&) {
    picture = Bitmap();
  }
  QFile::remove(file);
  return {std::move(picture), LostReason::ScreenUnreadable};
}

}  // namespace

LostReason screenPictureReason(const PortalReply& reply) {
  using Outcome = PortalReply::Outcome;
  switch (reply.outcome) {
    case Outcome::Answered:
      // 1: the user cancelled; 2: anything else, a refusal among it.
      return reply.response == 1 ? LostReason::ScreenCancelled : LostReason::ScreenRefused;
    case Outcome::NotOffered:
      return LostReason::ScreenNotOffered;
    case Outcome::Refused:
      return LostReason::ScreenRefused;
    case Outcome::Cancelled:
      return LostReason::ScreenCancelled;
    case Outcome::TimedOut:
      return LostReason::ScreenTimedOut;
    case Outcome::Failed:
      break;
  }
  return LostReason::ScreenUnreadable;
}

void PortalScreenshot::take(bool interactive, const QString& parentWindow, GrabDone done) {
  PortalRegistration::of(bus_).whenDone(
      this, [this, interactive, parentWindow, done = std::move(done)] {
        const QVariantMap options = {{QStringLiteral("interactive"), interactive},
                                     {QStringLiteral("modal"), false}};
        callPortalRequest(
            bus_, QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
            {parentWindow, options}, uniquePortalToken(QStringLiteral("snaprill_shot")),
            kAnswerTime, this, [done](const PortalReply& reply) {
              if (reply.granted()) {
                return done(pictureIn(reply.results.value(QStringLiteral("uri")).toString()));
              }
              done(TakenPicture{Bitmap(), screenPictureReason(reply)});
            });
      });
}

void PortalScreenshot::lookUpPermission(std::function<void(Permission)> done) {
  PortalRegistration& registration = PortalRegistration::of(bus_);
  registration.whenDone(this, [this, &registration, done = std::move(done)] {
    // The id the portal files us under: ours once registered, else the empty one of
    // every program it cannot tell apart.
    const QString id =
        registration.state() == PortalRegistration::State::Registered ? kApplicationId : QString();
    callMethod(
        bus_, QStringLiteral("org.freedesktop.impl.portal.PermissionStore"),
        QStringLiteral("/org/freedesktop/impl/portal/PermissionStore"),
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), QStringLiteral("Lookup"),
        {QStringLiteral("screenshot"), QStringLiteral("screenshot")}, kLookupTime, this,
        [id, done](const PortalReply& reply) {
          if (reply.outcome != PortalReply::Outcome::Answered) {
            // The store's NotFound: nothing was ever kept for screenshots.
            return done(reply.error.contains(QLatin1String("NotFound")) ? Permission::Unset
                                                                        : Permission::Unknown);
          }
          if (reply.values.isEmpty()) return done(Permission::Unknown);
          QMap<QString, QStringList> permissions;
          reply.values.constFirst().value<QDBusArgument>() >> permissions;
          if (!permissions.contains(id)) return done(Permission::Unset);
          done(permissions.value(id).contains(QStringLiteral("yes")) ? Permission::Granted
                                                                     : Permission::Denied);
        });
  });
}

}  // namespace snaprill
