#include "backends/portal/portal_request.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <atomic>
#include <memory>

namespace snaprill {

namespace {

int milliseconds(std::chrono::milliseconds limit) {
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(limit.count(), 1));
}

PortalReply errorReply(const QDBusError& error) {
  PortalReply reply;
  reply.outcome = outcomeOf(error);
  reply.error = error.name() + QStringLiteral(": ") + error.message();
  return reply;
}

// One call on a Request: its Response, its error or its time limit, whichever
// comes first, ends it.
class PendingRequest : public QObject {
  Q_OBJECT

 public:
  PendingRequest(QDBusConnection bus, QString path, QObject* parent, PortalDone done, bool keepOpen)
      : QObject(parent),
        bus_(std::move(bus)),
        path_(std::move(path)),
        done_(std::move(done)),
        keepOpen_(keepOpen) {
    // No sender named: Qt would ask the bus for the portal's owner first, and wait.
    bus_.connect(QString(), path_, kPortalRequest, QStringLiteral("Response"), this,
                 SLOT(responded(uint, QVariantMap)));
  }

  void finish(const PortalReply& reply) {
    if (finished_) return;
    finished_ = true;
    bus_.disconnect(QString(), path_, kPortalRequest, QStringLiteral("Response"), this,
                    SLOT(responded(uint, QVariantMap)));
    if (reply.outcome == PortalReply::Outcome::TimedOut && !keepOpen_) {
      // A question the user left open would otherwise stay on the screen, and keep
      // a portal that answers one call at a time from answering anyone else.
      bus_.call(QDBusMessage::createMethodCall(kPortalService, path_, kPortalRequest,
                                               QStringLiteral("Close")),
                QDBus::NoBlock);
    }
    deleteLater();
    done_(reply);
  }

 private slots:
  void responded(uint response, const QVariantMap& results) {
    PortalReply reply;
    reply.outcome = PortalReply::Outcome::Answered;
    reply.response = response;
    reply.results = results;
    finish(reply);
  }

 private:
  QDBusConnection bus_;
  QString path_;
  PortalDone done_;
  bool keepOpen_;
  bool finished_ = false;
};

}  // namespace

QString portalRequestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService().mid(1);  // without the leading ':'
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

PortalReply::Outcome outcomeOf(const QDBusError& error) {
  using Outcome = PortalReply::Outcome;
  switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
    case QDBusError::Disconnected:
      return Outcome::NotOffered;
    case QDBusError::AccessDenied:
      return Outcome::Refused;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
      return Outcome::TimedOut;
    default:
      break;
  }
  // The desktops' own errors: the portal's NotAllowed, KWin's NoAuthorized and
  // Cancelled.
  const QString name = error.name();
  // A service the bus may not start (KWin) and that is not running.
  if (name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
    return Outcome::NotOffered;
  if (name.endsWith(QLatin1String(".NotAllowed")) || name.endsWith(QLatin1String(".NoAuthorized")))
    return Outcome::Refused;
  if (name.endsWith(QLatin1String(".Cancelled"))) return Outcome::Cancelled;
  return Outcome::Failed;
}

void callMethod(const QDBusConnection& bus, const QString& service, const QString& path,
                const QString& interface, const QString& method, const QList<QVariant>& arguments,
                std::chrono::milliseconds limit, QObject* context, PortalDone done, bool activate) {
  QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
  call.setArguments(arguments);
  call.setAutoStartService(activate);
  const QDBusPendingCall pending = QDBusConnection(bus).asyncCall(call, milliseconds(limit));
  if (pending.isFinished() && pending.isError()) {
    // Without a connection there is no call, and no watcher would ever tell: said
    // later, as always.
    QTimer::singleShot(
        0, context, [error = pending.error(), done = std::move(done)] { done(errorReply(error)); });
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(pending, context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                   [watcher, done = std::move(done)] {
                     watcher->deleteLater();
                     if (watcher->isError()) return done(errorReply(watcher->error()));
                     PortalReply reply;
                     reply.outcome = PortalReply::Outcome::Answered;
                     reply.response = 0;
                     reply.values = watcher->reply().arguments();
                     done(reply);
                   });
}

void callPortalRequest(const QDBusConnection& bus, const QString& interface, const QString& method,
                       QList<QVariant> arguments, const QString& token,
                       std::chrono::milliseconds limit, QObject* context, PortalDone done,
                       bool keepOpen) {
  auto* pending =
      new PendingRequest(bus, portalRequestPath(bus, token), context, std::move(done), keepOpen);
  if (!arguments.isEmpty()) {
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
  }
  QTimer::singleShot(limit, pending, [pending] {
    PortalReply reply;
    reply.outcome = PortalReply::Outcome::TimedOut;
    pending->finish(reply);
  });
  callMethod(bus, kPortalService, kPortalPath, interface, method, arguments, limit, pending,
             [pending](const PortalReply& reply) {
               // The call's own reply is only the Request's path; its error ends it.
               if (reply.outcome != PortalReply::Outcome::Answered) pending->finish(reply);
             });
}

QString uniquePortalToken(const QString& stem) {
  static std::atomic<unsigned> next{0};
  return stem + QStringLiteral("_") + QString::number(++next);
}

}  // namespace snaprill

#include "portal_request.moc"
