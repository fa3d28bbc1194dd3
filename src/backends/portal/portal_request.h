// Calls to the desktop portal (org.freedesktop.portal.Desktop on the session bus),
// each answered later and each with a time limit of its own, so that nothing in
// the program waits for the portal: while it shows the user a question it may
// answer no other call at all (xdg-desktop-portal 1.22), and it may first have to
// be started by the bus.
//
// Most of its methods answer twice: the call returns the path of a Request object
// at once, and the Request's Response signal, sent only to the caller, brings the
// outcome later. Its path can be known before the call: listening there first
// leaves no gap for a quick answer to fall into.
#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <chrono>
#include <functional>

namespace snaprill {

inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kPortalRequest = QStringLiteral("org.freedesktop.portal.Request");

// The path of the Request of a call made on `bus` with this handle token.
QString portalRequestPath(const QDBusConnection& bus, const QString& token);

// How a call to the portal (or to a desktop's service) ended.
struct PortalReply {
  enum class Outcome {
    Answered,    // the reply, or the Response: see `response`
    NotOffered,  // no such service, interface or method: not in this session
    Refused,     // the caller was turned away (access denied, not authorised)
    Cancelled,   // the service gave up on its own (KWin's Cancelled)
    Failed,      // another error
    TimedOut,    // no answer within the time allowed
  };
  Outcome outcome = Outcome::Failed;
  // The Response's code: 0 done, 1 cancelled by the user, 2 ended otherwise
  // (refused included). 0 for a plain method's reply.
  uint response = 2;
  QVariantMap results;     // the Response's results
  QList<QVariant> values;  // a plain method's reply
  QString error;           // the D-Bus error's name and message, where one came

  bool granted() const { return outcome == Outcome::Answered && response == 0; }
};

// How a D-Bus error is read: missing services, interfaces and methods are "not
// offered", a denial (or a desktop's own refusal, by the end of its name) is
// "refused", KWin's Cancelled "cancelled", no reply "timed out".
PortalReply::Outcome outcomeOf(const QDBusError& error);

using PortalDone = std::function<void(const PortalReply&)>;

// Calls a plain method (answered by its reply) of `service` on `bus`, letting the
// bus start the service where it can (`activate`). `done` is called once, from the
// event loop, never from inside this call, at the latest after `limit`; not at all
// once `context` is gone.
void callMethod(const QDBusConnection& bus, const QString& service, const QString& path,
                const QString& interface, const QString& method, const QList<QVariant>& arguments,
                std::chrono::milliseconds limit, QObject* context, PortalDone done,
                bool activate = true);

// Calls a portal method that answers on a Request: `arguments` end with its options,
// into which the handle `token` is put. The call and its Response together are given
// `limit`, after which the Request is closed (a question left open goes), unless
// `keepOpen`: a question the user may answer whenever it suits them stays; `done`
// as for callMethod.
void callPortalRequest(const QDBusConnection& bus, const QString& interface, const QString& method,
                       QList<QVariant> arguments, const QString& token,
                       std::chrono::milliseconds limit, QObject* context, PortalDone done,
                       bool keepOpen = false);

// A handle token no other call of this program uses.
QString uniquePortalToken(const QString& stem);

}  // namespace snaprill
