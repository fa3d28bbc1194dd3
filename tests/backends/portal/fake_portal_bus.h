// A private session bus for tests of the portal calls, on which the bus itself
// starts tests/desktop/fake_portal.py (D-Bus activation) the first time a program
// calls the portal: as on a desktop whose portal is not running yet.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QUuid>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/event_loop.h"
#include "support/source_files.h"
#include "support/temp_dir.h"

namespace snaprill::test {

class FakePortalBus {
 public:
  // `modes`: fake_portal.py's words; without the service file no portal is there.
  explicit FakePortalBus(const std::string& modes, bool portalThere = true) {
    coreApplication();
    const std::string services = folder_.path() + "services";
    std::filesystem::create_directories(services);
    if (portalThere) {
      for (const char* name :
           {"org.freedesktop.portal.Desktop", "org.freedesktop.impl.portal.PermissionStore"}) {
        std::ofstream(services + "/" + name + ".service")
            << "[D-BUS Service]\nName=" << name << "\nExec=/usr/bin/python3 "
            << sourcePath("tests/desktop/fake_portal.py") << " " << log() << " " << modes << "\n";
      }
    }
    const std::string config = folder_.path() + "bus.conf";
    std::ofstream(config)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:tmpdir="
        << folder_.path() << "</listen><servicedir>" << services
        << "</servicedir><policy context=\"default\"><allow send_destination=\"*\" "
           "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
           "</busconfig>\n";
    bus_.start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                QStringLiteral("--config-file=") + QString::fromStdString(config)});
    if (bus_.waitForReadyRead(5000)) address_ = QString::fromUtf8(bus_.readLine()).trimmed();
  }
  ~FakePortalBus() {
    // Ours alone; the portal it started goes with its bus.
    bus_.kill();
    bus_.waitForFinished(2000);
  }
  FakePortalBus(const FakePortalBus&) = delete;
  FakePortalBus& operator=(const FakePortalBus&) = delete;

  // Whether the bus runs and python3-dbus is there for the portal.
  bool usable() const {
    return !address_.isEmpty() &&
           QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QStringLiteral("import dbus, gi")}) == 0;
  }
  // A connection of its own, as another program's.
  QDBusConnection connect() const {
    return QDBusConnection::connectToBus(address_, QUuid::createUuid().toString());
  }
  std::string log() const { return folder_.path() + "portal.log"; }
  // The calls the portal heard, by name, in order.
  std::vector<QJsonObject> calls() const {
    std::vector<QJsonObject> heard;
    QFile file(QString::fromStdString(log()));
    if (!file.open(QIODevice::ReadOnly)) return heard;
    while (!file.atEnd()) {
      const QJsonObject call = QJsonDocument::fromJson(file.readLine()).object();
      if (!call.isEmpty()) heard.push_back(call);
    }
    return heard;
  }
  std::vector<QString> callNames() const {
    std::vector<QString> names;
    for (const QJsonObject& call : calls()) names.push_back(call.value("call").toString());
    return names;
  }
  // Sends the test's own controls (Press, Confirm, SetMode).
  void control(const QString& method, const QList<QVariant>& arguments = {}) const {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                       QStringLiteral("/org/freedesktop/portal/desktop"),
                                       QStringLiteral("org.snaprill.Test"), method);
    call.setArguments(arguments);
    connect().call(call, QDBus::Block, 5000);
  }

 private:
  testing::TempDir folder_;
  QProcess bus_;
  QString address_;
};

}  // namespace snaprill::test
