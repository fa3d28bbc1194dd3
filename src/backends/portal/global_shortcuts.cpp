#include "backends/portal/global_shortcuts.h"

#include "backends/portal/portal_request.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QMetaType>

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
// The id the desktop files this program's shortcuts under: its desktop entry's name.
const QString kApplicationId = QStringLiteral("snaprill");

// A session handle arrives as a string from some portals, as an object path from others.
QString pathIn(const QVariant& value) {
  if (value.userType() == qMetaTypeId<QDBusObjectPath>())
    return value.value<QDBusObjectPath>().path();
  return value.toString();
}

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
  // Portals from 1.19.4 on learn a host program's id through their registry, and later
  // ones refuse a session to a program without one; older ones lack the registry, which
  // costs nothing but an error reply.
  QDBusMessage registration = QDBusMessage::createMethodCall(
      kPortalService, kPortalPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
      QStringLiteral("Register"));
  registration.setArguments({kApplicationId, QVariantMap()});
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(registration), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
    watcher->deleteLater();
    createSession();
  });
}

void GlobalShortcuts::createSession() {
  const QVariantMap options = {
      {QStringLiteral("handle_token"), QStringLiteral("snaprill_session")},
      {QStringLiteral("session_handle_token"), QStringLiteral("snaprill")}};
  request(QStringLiteral("CreateSession"), {options}, QStringLiteral("snaprill_session"),
          SLOT(sessionCreated(uint, QVariantMap)));
}

void GlobalShortcuts::sessionCreated(uint response, const QVariantMap& results) {
  session_ = pathIn(results.value(QStringLiteral("session_handle")));
  if (response != 0 || session_.isEmpty()) {
    setState(State::unavailable);
    return;
  }
  bus_.connect(kPortalService, kPortalPath, kInterface, QStringLiteral("Activated"), this,
               SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  QList<ShortcutEntry> entries;
  for (const PortalShortcut& s : shortcuts_) {
    QVariantMap properties = {{QStringLiteral("description"), s.description}};
    if (!s.preferredTrigger.isEmpty())
      properties.insert(QStringLiteral("preferred_trigger"), s.preferredTrigger);
    entries.append({s.id, properties});
  }
  const QString token = QStringLiteral("snaprill_bind");
  request(QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(entries), QString(),
           QVariantMap{{QStringLiteral("handle_token"), token}}},
          token, SLOT(shortcutsBound(uint, QVariantMap)));
}

void GlobalShortcuts::shortcutsBound(uint response, const QVariantMap&) {
  // 1: the user cancelled the desktop's dialog; 2: the desktop declined.
  setState(response == 0 ? State::bound : State::refused);
}

void GlobalShortcuts::shortcutActivated(const QDBusObjectPath& session, const QString& id,
                                        qulonglong, const QVariantMap&) {
  if (session.path() == session_ && state_ == State::bound) emit activated(id);
}

void GlobalShortcuts::request(const QString& method, QList<QVariant> arguments,
                              const QString& token, const char* slot) {
  bus_.connect(kPortalService, portalRequestPath(bus_, token), kPortalRequest,
               QStringLiteral("Response"), this, slot);
  QDBusMessage call =
      QDBusMessage::createMethodCall(kPortalService, kPortalPath, kInterface, method);
  call.setArguments(arguments);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
    watcher->deleteLater();
    // No portal, or one without global shortcuts ("No such interface").
    if (watcher->isError()) setState(State::unavailable);
  });
}

void GlobalShortcuts::setState(State state) {
  if (state == state_) return;
  state_ = state;
  emit stateChanged();
}

}  // namespace snaprill
