// The program's application id as the desktop portal knows it. Portals from
// 1.19.4 on learn a host program's id through their registry (later ones refuse a
// global shortcuts session to a program without one, and keep the screenshot
// permission per id), and only before the program's first other call on that
// connection: so every portal call of the program waits for the registration to
// end, however it ends. The registry looks for the id's desktop file; a copy of
// Snaprill that is not installed has none and stays without an id.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

namespace snaprill {

// The id: the name of the desktop entry, snaprill.desktop.
inline const QString kApplicationId = QStringLiteral("snaprill");

class PortalRegistration : public QObject {
  Q_OBJECT

 public:
  enum class State {
    Unasked,
    Asking,
    Registered,  // the portal knows us as kApplicationId
    NotOffered,  // no portal, or one older than the registry: it finds our id itself
    Refused,     // the registry refused the id (no desktop file for it was found)
    TimedOut,    // no answer in time: the portal may be showing someone a question
  };

  // The registration on `bus`, shared by every portal call made on it.
  static PortalRegistration& of(const QDBusConnection& bus);
  explicit PortalRegistration(QDBusConnection bus, QObject* parent = nullptr);

  // Runs `then` once the registration has ended (at once, from inside this call,
  // when it has), unless `context` is gone by then: asks for it the first time.
  void whenDone(QObject* context, std::function<void()> then);
  State state() const { return state_; }
  // The registry's reason for a refusal.
  const QString& refusal() const { return refusal_; }

 private:
  QDBusConnection bus_;
  State state_ = State::Unasked;
  QString refusal_;
  struct Waiting {
    QPointer<QObject> context;
    std::function<void()> then;
  };
  std::vector<Waiting> waiting_;
};

}  // namespace snaprill
