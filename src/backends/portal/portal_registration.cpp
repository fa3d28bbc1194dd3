#include "backends/portal/portal_registration.h"

#include <chrono>

#include "backends/portal/portal_request.h"

#include <QCoreApplication>
#include <map>

namespace snaprill {

namespace {

// The registry answers at once, unless the portal is busy with a question to the
// user: then the program goes on without waiting for it any longer.
constexpr std::chrono::milliseconds kRegistrationLimit{5000};

}  // namespace

PortalRegistration& PortalRegistration::of(const QDBusConnection& bus) {
  // One for each connection the program makes (the session bus; the tests make
  // others), going with the application, before the bus connections do.
  static std::map<QString, QPointer<PortalRegistration>> registrations;
  QPointer<PortalRegistration>& registration = registrations[bus.name()];
  if (registration.isNull())
    registration = new PortalRegistration(bus, QCoreApplication::instance());
  return *registration;
}

PortalRegistration::PortalRegistration(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

void PortalRegistration::whenDone(QObject* context, std::function<void()> then) {
  if (state_ != State::Unasked && state_ != State::Asking) return then();
  waiting_.push_back({context, std::move(then)});
  if (state_ == State::Asking) return;
  state_ = State::Asking;
  callMethod(bus_, kPortalService, kPortalPath,
             QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"),
             {kApplicationId, QVariantMap()}, kRegistrationLimit, this,
             [this](const PortalReply& reply) {
               using Outcome = PortalReply::Outcome;
               switch (reply.outcome) {
                 case Outcome::Answered:
                   state_ = State::Registered;
                   break;
                 case Outcome::NotOffered:
                   state_ = State::NotOffered;
                   break;
                 case Outcome::TimedOut:
                   state_ = State::TimedOut;
                   break;
                 default:
                   // Qt from 6.9 on registers the desktop file's name itself,
                   // before us: the portal knows the id then.
                   if (reply.error.contains(QLatin1String("already associated"))) {
                     state_ = State::Registered;
                     break;
                   }
                   state_ = State::Refused;
                   refusal_ = reply.error;
                   break;
               }
               std::vector<Waiting> waiting;
               waiting.swap(waiting_);
               for (const Waiting& w : waiting) {
                 // A caller that went meanwhile is not called back.
                 if (!w.context.isNull()) w.then();
               }
             });
}

}  // namespace snaprill
