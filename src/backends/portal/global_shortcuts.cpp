#include "backends/portal/global_shortcuts.h"

#include "backends/portal/portal_registration.h"
#include "backends/portal/portal_request.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QMetaType>
#include <QTimer>

namespace {

// One shortcut as the portal takes it: (id, {description, preferred_trigger}).
struct ShortcutEntry {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ShortcutEntry& entry) {
  argument.beginStructure();
  argument << entry.id << entry.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ShortcutEntry& entry) {
  argument.beginStructure();
  argument >> entry.id >> entry.properties;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(ShortcutEntry)

namespace snaprill {

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// The handle tokens: a test of the program against KDE's portal reads them off
// the bus.
const QString kSessionToken = QStringLiteral("snaprill_session");
const QString kBindToken = QStringLiteral("snaprill_bind");

// A session handle arrives as a string from some portals, as an object path from others.
QString pathIn(const QVariant& value) {
  if (value.userType() == qMetaTypeId<QDBusObjectPath>())
    return value.value<QDBusObjectPath>().path();
  return value.toString();
}

// The user's time to answer the desktop's question: the binding's Request stays
// open for it, and a later confirmation is heard all the same.
constexpr std::chrono::hours kUserTime{24};

}  // namespace

GlobalShortcuts::GlobalShortcuts(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
  qDBusRegisterMetaType<ShortcutEntry>();
  qDBusRegisterMetaType<QList<ShortcutEntry>>();
}

void GlobalShortcuts::bind(std::vector<PortalShortcut> shortcuts) {
  shortcuts_ = std::move(shortcuts);
  if (!bus_.isConnected()) {
    setState(State::unavailable);
    return;
  }
  setState(State::asking);
  PortalRegistration::of(bus_).whenDone(this, [this] { ask(); });
}

void GlobalShortcuts::ask() {
  // The version property says whether the portal has global shortcuts at all (GNOME
  // has them from 48 on, as version 2): a portal without them has no such interface.
  callMethod(bus_, kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
             QStringLiteral("Get"), {kInterface, QStringLiteral("version")}, kAnswerTime, this,
             [this](const PortalReply& reply) {
               if (reply.outcome == PortalReply::Outcome::TimedOut) return askAgainLater();
               if (reply.outcome != PortalReply::Outcome::Answered || reply.values.isEmpty()) {
                 return setState(State::unavailable);
               }
               version_ = qvariant_cast<QDBusVariant>(reply.values.constFirst()).variant().toUInt();
               createSession();
             });
}

void GlobalShortcuts::askAgainLater() {
  if (++tries_ >= kTries) return setState(State::unavailable);
  QTimer::singleShot(kAnswerTime, this, [this] { ask(); });
}

void GlobalShortcuts::createSession() {
  const QVariantMap options = {
      {QStringLiteral("session_handle_token"), QStringLiteral("snaprill")}};
  callPortalRequest(bus_, kInterface, QStringLiteral("CreateSession"), {options}, kSessionToken,
                    kAnswerTime, this, [this](const PortalReply& reply) {
                      using Outcome = PortalReply::Outcome;
                      if (reply.outcome == Outcome::TimedOut) return askAgainLater();
                      if (reply.outcome == Outcome::NotOffered) return setState(State::unavailable);
                      session_ = pathIn(reply.results.value(QStringLiteral("session_handle")));
                      if (!reply.granted() || session_.isEmpty()) return refusedBy(reply.response);
                      bindShortcuts();
                    });
}

void GlobalShortcuts::bindShortcuts() {
  // Heard before the binding is answered: a desktop may tell of the user's
  // confirmation only so.
  bus_.connect(QString(), kPortalPath, kInterface, QStringLiteral("Activated"), this,
               SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  bus_.connect(QString(), kPortalPath, kInterface, QStringLiteral("ShortcutsChanged"), this,
               SLOT(shortcutsChanged(QDBusObjectPath)));
  QList<ShortcutEntry> entries;
  for (const PortalShortcut& s : shortcuts_) {
    QVariantMap properties = {{QStringLiteral("description"), s.description}};
    if (!s.preferredTrigger.isEmpty())
      properties.insert(QStringLiteral("preferred_trigger"), s.preferredTrigger);
    entries.append({s.id, properties});
  }
  QTimer::singleShot(kConfirmationShown, this, [this] {
    if (state_ == State::asking) setState(State::awaitingUser);
  });
  callPortalRequest(
      bus_, kInterface, QStringLiteral("BindShortcuts"),
      {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(entries), QString(),
       QVariantMap()},
      kBindToken, kUserTime, this,
      [this](const PortalReply& reply) {
        // Confirmed meanwhile by a press or a changed list: that stands.
        if (state_ == State::bound) return;
        if (reply.outcome == PortalReply::Outcome::NotOffered) return setState(State::unavailable);
        // No answer within the user's time: still waiting for them.
        if (reply.outcome == PortalReply::Outcome::TimedOut) return setState(State::awaitingUser);
        if (reply.granted()) return setState(State::bound);
        refusedBy(reply.response);
      },
      /*keepOpen=*/true);
}

void GlobalShortcuts::refusedBy(uint response) {
  // 1: the user cancelled the desktop's dialog; 2: the desktop declined, which a
  // portal does to a program it knows no id of.
  const bool noId =
      response != 1 && PortalRegistration::of(bus_).state() == PortalRegistration::State::Refused;
  setState(noId ? State::noApplicationId : State::refused);
}

void GlobalShortcuts::shortcutActivated(const QDBusObjectPath& session, const QString& id,
                                        qulonglong, const QVariantMap&) {
  if (session.path() != session_ || session_.isEmpty()) return;
  // A press while the binding waits: the user has confirmed the keys.
  if (state_ == State::asking || state_ == State::awaitingUser) setState(State::bound);
  if (state_ == State::bound) emit activated(id);
}

void GlobalShortcuts::shortcutsChanged(const QDBusObjectPath& session) {
  if (session.path() != session_ || session_.isEmpty()) return;
  if (state_ == State::asking || state_ == State::awaitingUser) setState(State::bound);
}

void GlobalShortcuts::setState(State state) {
  if (state == state_) return;
  state_ = state;
  emit stateChanged();
}

}  // namespace snaprill
