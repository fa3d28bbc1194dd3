#include "backends/wayland/portal_screenshot.h"

#include <exception>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include "backends/portal/portal_request.h"
#include "formats/loader/picture_loader.h"

namespace snaprill {

namespace {

// Long enough for a user to answer the portal's question or choose a window.
constexpr int kAnswerMilliseconds = 60000;

}  // namespace

bool PortalScreenshot::available() {
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  return bus != nullptr && bus->isServiceRegistered(kPortalService).value();
}

Bitmap PortalScreenshot::grab(bool interactive) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString token = QStringLiteral("snaprill%1").arg(QRandomGenerator::global()->generate());
  const QString path = portalRequestPath(bus, token);
  answered_ = false;
  uri_.clear();
  if (!bus.connect(kPortalService, path, kPortalRequest, QStringLiteral("Response"), this,
                   SLOT(answered(uint, QVariantMap)))) {
    return {};
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      kPortalService, kPortalPath, QStringLiteral("org.freedesktop.portal.Screenshot"),
      QStringLiteral("Screenshot"));
  QVariantMap options;
  options.insert(QStringLiteral("handle_token"), token);
  options.insert(QStringLiteral("interactive"), interactive);
  options.insert(QStringLiteral("modal"), false);
  call << QString() << options;
  const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerMilliseconds);
  if (reply.type() == QDBusMessage::ReplyMessage && !answered_) {
    QEventLoop loop;
    waiting_ = &loop;
    QTimer::singleShot(kAnswerMilliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    waiting_ = nullptr;
  }
  bus.disconnect(kPortalService, path, kPortalRequest, QStringLiteral("Response"), this,
                 SLOT(answered(uint, QVariantMap)));
  if (!answered_ || response_ != 0) return {};
  const QUrl url(uri_);
  if (!url.isLocalFile()) return {};
  const QString file = url.toLocalFile();
  Bitmap picture;
  try {
    // Our own readers, with their limits on what a file may make us allocate.
    picture = loadPictureFile(QFile::encodeName(file).toStdString());
    if (!picture.empty() && picture.bitsPerPixel() != 32) picture.convertTo(32);
  } catch (const std::exception&) {
    picture = Bitmap();
  }
  // The file was made for this capture alone: ours is the numbered copy.
  QFile::remove(file);
  return picture;
}

void PortalScreenshot::answered(uint response, const QVariantMap& results) {
  answered_ = true;
  response_ = response;
  uri_ = results.value(QStringLiteral("uri")).toString();
  if (waiting_ != nullptr) waiting_->quit();
}

}  // namespace snaprill
