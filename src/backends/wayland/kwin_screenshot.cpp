#include "backends/wayland/kwin_screenshot.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QImage>
#include <QVariantMap>

#include "backends/qt/qimage_bitmap.h"
#include "image/bitmap.h"

namespace snaprill {

namespace {

const QString kService = QStringLiteral("org.kde.KWin");
const QString kPath = QStringLiteral("/org/kde/KWin/ScreenShot2");
const QString kInterface = QStringLiteral("org.kde.KWin.ScreenShot2");
// KWin answers once the picture is taken, before it is written into the pipe.
constexpr int kAnswerMilliseconds = 5000;

// Everything written into the pipe until its last writer closes it. A writer that
// keeps it open without writing (a KWin that hangs) is given up on after a while,
// so that the program's window does not freeze with it; what came is then no
// picture, as its size no longer matches.
QByteArray readToEnd(int fd) {
  QByteArray bytes;
  char chunk[1 << 16];
  for (;;) {
    pollfd ready{fd, POLLIN, 0};
    const int waited = ::poll(&ready, 1, kAnswerMilliseconds);
    if (waited < 0 && errno == EINTR) continue;
    if (waited <= 0) return {};
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got > 0) {
      // More than any picture may hold: a KWin gone wrong, not a screen.
      if (static_cast<std::size_t>(bytes.size()) + static_cast<std::size_t>(got) > kMaxBitmapBytes)
        return {};
      bytes.append(chunk, got);
    } else if (got == 0 || errno != EINTR) {
      return bytes;
    }
  }
}

// The raw pixels as the answer describes them: a QImage's bits, with its format.
Bitmap pictureOf(const QVariantMap& answer, const QByteArray& pixels) {
  if (answer.value(QStringLiteral("type")).toString() != QLatin1String("raw")) return {};
  const int width = answer.value(QStringLiteral("width")).toInt();
  const int height = answer.value(QStringLiteral("height")).toInt();
  const qsizetype stride = answer.value(QStringLiteral("stride")).toLongLong();
  const auto format = static_cast<QImage::Format>(answer.value(QStringLiteral("format")).toInt());
  if (width <= 0 || height <= 0 || stride <= 0 || format <= QImage::Format_Invalid ||
      format >= QImage::NImageFormats || pixels.size() / stride < height) {
    return {};
  }
  const QImage image(reinterpret_cast<const uchar*>(pixels.constData()), width, height, stride,
                     format);
  if (image.bytesPerLine() > stride) return {};
  return bitmapFromQImage(image);
}

}  // namespace

bool KWinScreenshot::available() {
  QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
  return bus != nullptr && bus->isServiceRegistered(kService).value();
}

Bitmap KWinScreenshot::grabScreen(bool withCursor) {
  return capture(QStringLiteral("CaptureWorkspace"), withCursor, false);
}

Bitmap KWinScreenshot::grabActiveWindow() {
  return capture(QStringLiteral("CaptureActiveWindow"), false, true);
}

Bitmap KWinScreenshot::capture(const QString& method, bool withCursor, bool withFrame) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return {};
  QByteArray pixels;
  std::thread reader([fd = ends[0], &pixels] { pixels = readToEnd(fd); });
  QDBusMessage answer;
  {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    QVariantMap options;
    options.insert(QStringLiteral("include-cursor"), withCursor);
    options.insert(QStringLiteral("include-decoration"), withFrame);
    options.insert(QStringLiteral("native-resolution"), true);
    call << options << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    ::close(ends[1]);  // the message holds its own copy
    answer = QDBusConnection::sessionBus().call(call, QDBus::Block, kAnswerMilliseconds);
  }
  // KWin closes its end once the pixels are written, or at once when it failed.
  reader.join();
  ::close(ends[0]);
  if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) return {};
  const QVariantMap description = qdbus_cast<QVariantMap>(answer.arguments().constFirst());
  return pictureOf(description, pixels);
}

}  // namespace snaprill
