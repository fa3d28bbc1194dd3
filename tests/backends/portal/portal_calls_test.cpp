// The portal's calls against a stand-in portal that the bus starts on the first
// call (tests/desktop/fake_portal.py): a picture, each way of not giving one, a
// question left open, and the global shortcuts' states.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QTimer>
#include <optional>

#include "backends/portal/global_shortcuts.h"
#include "backends/portal/portal_request.h"
#include "backends/portal/portal_screenshot.h"
#include "fake_portal_bus.h"

namespace snaprill {
namespace {

using test::FakePortalBus;

#define SKIP_WITHOUT(bus) \
  if (!(bus).usable()) GTEST_SKIP() << "dbus-daemon or python3-dbus is missing"

TakenPicture shot(const QDBusConnection& connection) {
  PortalScreenshot portal(connection);
  std::optional<TakenPicture> taken;
  portal.take(false, QStringLiteral("x11:1a00004"),
              [&taken](TakenPicture t) { taken = std::move(t); });
  EXPECT_FALSE(taken) << "answered from inside the call";
  test::runEventsUntil([&taken] { return taken.has_value(); }, 20000);
  return taken.value_or(TakenPicture{Bitmap(), LostReason::ScreenTimedOut});
}

// Fault: the portal was used only when it was already running, as decided at the
// start; and it learnt no application id, under which a desktop keeps its grant.
TEST(PortalCalls, ThePortalIsStartedByTheBusAndAskedUnderTheProgramsId) {
  FakePortalBus bus("");
  SKIP_WITHOUT(bus);
  const TakenPicture taken = shot(bus.connect());
  ASSERT_EQ(taken.picture.width(), 40);
  EXPECT_EQ(taken.picture.pixel(0, 0).r, 200);
  EXPECT_EQ(taken.picture.pixel(39, 0).b, 200);
  const std::vector<QString> names = bus.callNames();
  ASSERT_EQ(names, (std::vector<QString>{"ready", "Register", "Screenshot"}));
  EXPECT_EQ(bus.calls()[1].value("app_id").toString(), "snaprill");
  EXPECT_EQ(bus.calls()[2].value("app_id").toString(), "snaprill");
  EXPECT_EQ(bus.calls()[2].value("parent").toString(), "x11:1a00004");
  EXPECT_FALSE(bus.calls()[2].value("interactive").toBool());
}

// Fault: a refusal, a cancellation and a session without a portal all came out as
// "the screen could not be read".
TEST(PortalCalls, EachWayOfGivingNoPictureHasItsOwnReason) {
  struct Case {
    const char* modes;
    bool portalThere;
    LostReason reason;
  };
  const Case cases[] = {
      {"shot-refused", true, LostReason::ScreenRefused},
      {"shot-cancelled", true, LostReason::ScreenCancelled},
      {"", false, LostReason::ScreenNotOffered},
  };
  for (const Case& c : cases) {
    FakePortalBus bus(c.modes, c.portalThere);
    SKIP_WITHOUT(bus);
    const TakenPicture taken = shot(bus.connect());
    EXPECT_TRUE(taken.picture.empty()) << c.modes;
    EXPECT_EQ(taken.lost, c.reason) << c.modes;
  }
}

// Faults: KWin missing from the bus (a name the bus may not start) came out as "the
// screen could not be read" where no way works at all (GNOME 43); KWin's refusal and
// cancellation were not told apart from a failure.
TEST(PortalCalls, EachErrorOfTheBusOrADesktopIsReadAsItsReason) {
  using Outcome = PortalReply::Outcome;
  const std::pair<const char*, Outcome> cases[] = {
      {"org.freedesktop.DBus.Error.ServiceUnknown", Outcome::NotOffered},
      {"org.freedesktop.DBus.Error.NameHasNoOwner", Outcome::NotOffered},
      {"org.freedesktop.DBus.Error.UnknownMethod", Outcome::NotOffered},
      {"org.freedesktop.DBus.Error.UnknownInterface", Outcome::NotOffered},
      {"org.freedesktop.DBus.Error.UnknownObject", Outcome::NotOffered},
      {"org.freedesktop.DBus.Error.AccessDenied", Outcome::Refused},
      {"org.freedesktop.portal.Error.NotAllowed", Outcome::Refused},
      {"org.kde.KWin.ScreenShot2.Error.NoAuthorized", Outcome::Refused},
      {"org.kde.KWin.ScreenShot2.Error.Cancelled", Outcome::Cancelled},
      {"org.freedesktop.DBus.Error.NoReply", Outcome::TimedOut},
      {"org.kde.KWin.ScreenShot2.Error.InvalidWindow", Outcome::Failed},
  };
  for (const auto& [name, outcome] : cases) {
    const QDBusError error(
        QDBusMessage::createError(QString::fromLatin1(name), QStringLiteral("-")));
    EXPECT_EQ(outcomeOf(error), outcome) << name;
  }
}

// Faults: a question left open kept the program waiting in a loop of its own, and
// kept a portal that answers one caller at a time from answering anyone.
TEST(PortalCalls, AQuestionLeftOpenEndsAtItsTimeLimitAndIsClosed) {
  FakePortalBus bus("shot-silent");
  SKIP_WITHOUT(bus);
  const QDBusConnection connection = bus.connect();
  QObject context;
  std::optional<PortalReply> reply;
  QElapsedTimer waited;
  waited.start();
  callPortalRequest(connection, QStringLiteral("org.freedesktop.portal.Screenshot"),
                    QStringLiteral("Screenshot"), {QString(), QVariantMap()},
                    uniquePortalToken(QStringLiteral("test")), std::chrono::milliseconds(1500),
                    &context, [&reply](const PortalReply& r) { reply = r; });
  EXPECT_LT(waited.elapsed(), 500) << "the call waited for its answer";
  // The event loop goes on meanwhile.
  bool ticked = false;
  QTimer::singleShot(100, [&ticked] { ticked = true; });
  ASSERT_TRUE(test::runEventsUntil([&reply] { return reply.has_value(); }, 10000));
  EXPECT_TRUE(ticked);
  EXPECT_EQ(reply->outcome, PortalReply::Outcome::TimedOut);
  EXPECT_GE(waited.elapsed(), 1400);
  // Closed, the portal answers again.
  ASSERT_TRUE(test::runEventsUntil(
      [&bus] {
        const std::vector<QString> names = bus.callNames();
        return std::find(names.begin(), names.end(), "Close") != names.end();
      },
      5000));
  std::optional<PortalReply> version;
  callMethod(connection, kPortalService, kPortalPath,
             QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("version")},
             std::chrono::seconds(5), &context, [&version](const PortalReply& r) { version = r; });
  ASSERT_TRUE(test::runEventsUntil([&version] { return version.has_value(); }, 6000));
  EXPECT_EQ(version->outcome, PortalReply::Outcome::Answered);
}

// The states of the desktop's global shortcuts, as the General page shows them.
// Faults: keys awaiting the user's confirmation were shown as a desktop without
// keys, a later confirmation took a restart, and a refusal for want of a desktop
// file blamed the desktop.
TEST(PortalCalls, GlobalShortcutsTellHowTheyStandAndALaterConfirmationCounts) {
  using State = GlobalShortcuts::State;
  struct Case {
    const char* modes;
    State state;       // once the portal has answered
    const char* then;  // the test's control after that, or nullptr
    State stateAfter;
  };
  const Case cases[] = {
      {"", State::bound, nullptr, State::bound},
      {"no-shortcuts", State::unavailable, nullptr, State::unavailable},
      {"register-refused", State::noApplicationId, nullptr, State::noApplicationId},
      {"bind-waits", State::awaitingUser, "Confirm", State::bound},
      {"bind-waits", State::awaitingUser, "Press", State::bound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modes);
    FakePortalBus bus(c.modes);
    SKIP_WITHOUT(bus);
    GlobalShortcuts shortcuts(bus.connect());
    std::vector<QString> pressed;
    QObject::connect(&shortcuts, &GlobalShortcuts::activated,
                     [&pressed](const QString& id) { pressed.push_back(id); });
    QElapsedTimer waited;
    waited.start();
    shortcuts.bind({{QStringLiteral("screen"), QStringLiteral("Screen"), QStringLiteral("F12")}});
    EXPECT_LT(waited.elapsed(), 500) << "the start waited for the portal";
    EXPECT_EQ(shortcuts.state(), State::asking);
    EXPECT_TRUE(test::runEventsUntil([&] { return shortcuts.state() == c.state; }, 10000))
        << "state " << static_cast<int>(shortcuts.state());
    if (c.then == nullptr) continue;
    if (QLatin1String(c.then) == QLatin1String("Press")) {
      bus.control(QStringLiteral("Press"), {QStringLiteral("screen")});
    } else {
      bus.control(QString::fromLatin1(c.then));
    }
    EXPECT_TRUE(test::runEventsUntil([&] { return shortcuts.state() == c.stateAfter; }, 5000));
    // A press that confirms is a press all the same.
    if (QLatin1String(c.then) == QLatin1String("Press")) {
      EXPECT_TRUE(test::runEventsUntil([&] { return !pressed.empty(); }, 2000));
      EXPECT_EQ(pressed, (std::vector<QString>{"screen"}));
    }
  }
}

// Fault: while the portal showed someone a question it answered no other call, and
// the program's start waited 25 s on it.
TEST(PortalCalls, ABusyPortalKeepsNothingWaitingAndIsHeardOnceFree) {
  FakePortalBus bus("shot-silent");
  SKIP_WITHOUT(bus);
  // Another program's question is open.
  const QDBusConnection other = bus.connect();
  QObject context;
  std::optional<PortalReply> question;
  const QString token = uniquePortalToken(QStringLiteral("other"));
  callPortalRequest(other, QStringLiteral("org.freedesktop.portal.Screenshot"),
                    QStringLiteral("Screenshot"), {QString(), QVariantMap()}, token,
                    std::chrono::seconds(60), &context,
                    [&question](const PortalReply& r) { question = r; });
  ASSERT_TRUE(test::runEventsUntil(
      [&bus] {
        const std::vector<QString> names = bus.callNames();
        return std::find(names.begin(), names.end(), "Screenshot") != names.end();
      },
      10000));
  GlobalShortcuts shortcuts(bus.connect());
  QElapsedTimer waited;
  waited.start();
  shortcuts.bind({{QStringLiteral("screen"), QStringLiteral("Screen"), QString()}});
  EXPECT_LT(waited.elapsed(), 500);
  test::runEventsUntil([] { return false; }, 1000);
  EXPECT_EQ(shortcuts.state(), GlobalShortcuts::State::asking);
  // The question is answered (closed): the held calls go through.
  other.call(QDBusMessage::createMethodCall(kPortalService, portalRequestPath(other, token),
                                            kPortalRequest, QStringLiteral("Close")),
             QDBus::Block, 5000);
  EXPECT_TRUE(test::runEventsUntil(
      [&shortcuts] { return shortcuts.state() == GlobalShortcuts::State::bound; }, 15000));
}

// The permission store's answer for the program's id, which decides whether
// Snaprill asks GNOME's question while its window has the focus.
TEST(PortalCalls, ThePermissionStoreSaysWhetherTheProgramWasAsked) {
  using Permission = PortalScreenshot::Permission;
  const std::pair<const char*, Permission> cases[] = {{"", Permission::Unset},
                                                      {"permission=yes", Permission::Granted},
                                                      {"permission=no", Permission::Denied}};
  for (const auto& [modes, expected] : cases) {
    FakePortalBus bus(modes);
    SKIP_WITHOUT(bus);
    PortalScreenshot portal(bus.connect());
    std::optional<Permission> permission;
    portal.lookUpPermission([&permission](Permission p) { permission = p; });
    ASSERT_TRUE(test::runEventsUntil([&permission] { return permission.has_value(); }, 10000));
    EXPECT_EQ(*permission, expected) << modes;
  }
}

}  // namespace
}  // namespace snaprill
