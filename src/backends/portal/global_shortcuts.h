// The desktop's global shortcuts through the XDG desktop portal (KDE Plasma 5.27+,
// GNOME 48+, Hyprland): in a Wayland session the only way a program in the
// background hears its keys. The program offers its shortcuts once, with the keys the
// user chose as a suggestion; the desktop may ask the user to confirm them (KDE
// Plasma 6 in System Settings, GNOME in a dialog of Settings), and keeps the keys in
// its own settings from then on. A confirmation that comes late, even after the
// portal's answer gave up waiting, takes effect when the desktop tells of it: a
// changed list of shortcuts, or the first press. Each press arrives as
// activated(id).
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <chrono>
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
    idle,             // nothing asked yet
    asking,           // waiting for the portal
    awaitingUser,     // the desktop asks the user to confirm the keys
    bound,            // presses arrive
    unavailable,      // no portal, or one without global shortcuts
    noApplicationId,  // refused: the portal found no desktop file for the program
    refused,          // the user or the desktop declined
  };

  explicit GlobalShortcuts(QDBusConnection bus, QObject* parent = nullptr);

  // Asks for the shortcuts; the answer comes later, through stateChanged().
  void bind(std::vector<PortalShortcut> shortcuts);
  State state() const { return state_; }
  // The interface's version, once it is known (2 from xdg-desktop-portal 1.19 on).
  uint version() const { return version_; }

  // How long the portal may take over each call before the program asks again; a
  // portal showing someone a question answers no one else meanwhile.
  static constexpr std::chrono::milliseconds kAnswerTime{10000};
  static constexpr int kTries = 3;
  // How soon an unanswered binding counts as waiting for the user.
  static constexpr std::chrono::milliseconds kConfirmationShown{1500};

 signals:
  void activated(const QString& id);
  void stateChanged();

 private slots:
  void shortcutActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                         const QVariantMap& options);
  void shortcutsChanged(const QDBusObjectPath& session);

 private:
  void ask();
  void createSession();
  void bindShortcuts();
  // Where the portal gave no answer in time: again later, a few times.
  void askAgainLater();
  // A refusal: for want of an application id where the registry found none.
  void refusedBy(uint response);
  void setState(State state);

  QDBusConnection bus_;
  std::vector<PortalShortcut> shortcuts_;
  QString session_;
  State state_ = State::idle;
  uint version_ = 0;
  int tries_ = 0;
};

}  // namespace snaprill
