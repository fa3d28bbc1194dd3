// The desktop's global shortcuts through the XDG desktop portal (KDE Plasma 5.27+,
// GNOME 48+, Hyprland): in a Wayland session the only way a program in the
// background hears its keys. The program offers its shortcuts once, with the keys the
// user chose as a suggestion; the desktop may ask the user to confirm them and keeps
// the keys in its own settings from then on. Each press arrives as activated(id).
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <vector>

namespace snaprill {

struct PortalShortcut {
  QString id;
  QString description;
  QString preferredTrigger;  // "CTRL+Print"; empty: the desktop asks for one
};

class GlobalShortcuts : public QObject {
  Q_OBJECT

 public:
  enum class State {
    idle,         // nothing asked yet
    asking,       // waiting for the portal (or the user, in the desktop's dialog)
    bound,        // presses arrive
    unavailable,  // no portal, or one without global shortcuts
    refused,      // the user or the desktop declined
  };

  explicit GlobalShortcuts(QDBusConnection bus, QObject* parent = nullptr);

  // Asks for the shortcuts; the answer comes later, through stateChanged().
  void bind(std::vector<PortalShortcut> shortcuts);
  State state() const { return state_; }

 signals:
  void activated(const QString& id);
  void stateChanged();

 private slots:
  void sessionCreated(uint response, const QVariantMap& results);
  void shortcutsBound(uint response, const QVariantMap& results);
  void shortcutActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                         const QVariantMap& options);

 private:
  void createSession();
  // Calls `method` with `arguments` and routes the Request's Response to `slot`; a
  // failed call makes the shortcuts unavailable.
  void request(const QString& method, QList<QVariant> arguments, const QString& token,
               const char* slot);
  void setState(State state);

  QDBusConnection bus_;
  std::vector<PortalShortcut> shortcuts_;
  QString session_;
  State state_ = State::idle;
};

}  // namespace snaprill
