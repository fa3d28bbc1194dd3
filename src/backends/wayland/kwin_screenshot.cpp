#include "backends/wayland/kwin_screenshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QImage>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariantMap>

#include "backends/portal/portal_request.h"
#include "backends/portal/portal_screenshot.h"
#include "backends/qt/qimage_bitmap.h"
#include "image/bitmap.h"

namespace snaprill {

namespace {

const QString kService = QStringLiteral("org.kde.KWin");
const QString kPath = QStringLiteral("/org/kde/KWin/ScreenShot2");
const QString kInterface = QStringLiteral("org.kde.KWin.ScreenShot2");

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

// One picture: KWin's answer, then everything written into the pipe until KWin
// closes it.
class KWinPicture : public QObject {
 public:
  KWinPicture(int readEnd, QObject* parent, GrabDone done)
      : QObject(parent),
        fd_(readEnd),
        ready_(readEnd, QSocketNotifier::Read, this),
        done_(std::move(done)) {
    connect(&ready_, &QSocketNotifier::activated, this, [this] { read(); });
    // Each stage has its time: the answer, then the pixels.
    QTimer::singleShot(2 * KWinScreenshot::kAnswerTime, this, [this] {
      finish({Bitmap(), LostReason::ScreenTimedOut});
    });
  }
  ~KWinPicture() override { ::close(fd_); }

  void answered(const PortalReply& reply) {
    if (reply.outcome != PortalReply::Outcome::Answered) {
      return finish({Bitmap(), screenPictureReason(reply)});
    }
    if (reply.values.isEmpty()) return finish({Bitmap(), LostReason::ScreenUnreadable});
    description_ = qdbus_cast<QVariantMap>(reply.values.constFirst());
    answered_ = true;
    if (closed_) finish({pictureOf(description_, pixels_), LostReason::ScreenUnreadable});
  }

 private:
  void read() {
    char chunk[1 << 16];
    for (;;) {
      const ssize_t got = ::read(fd_, chunk, sizeof chunk);
      if (got > 0) {
        // More than any picture may hold: a KWin gone wrong, not a screen.
        if (static_cast<std::size_t>(pixels_.size()) + static_cast<std::size_t>(got) >
            kMaxBitmapBytes) {
          return finish({Bitmap(), LostReason::ScreenUnreadable});
        }
        pixels_.append(chunk, got);
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno == EAGAIN) return;
      break;  // the end, or an error: what came is all there is
    }
    ready_.setEnabled(false);
    closed_ = true;
    if (answered_) finish({pictureOf(description_, pixels_), LostReason::ScreenUnreadable});
  }

  void finish(TakenPicture taken) {
    if (finished_) return;
    finished_ = true;
    ready_.setEnabled(false);
    deleteLater();
    done_(std::move(taken));
  }

  int fd_;
  QSocketNotifier ready_;
  GrabDone done_;
  QByteArray pixels_;
  QVariantMap description_;
  bool answered_ = false;
  bool closed_ = false;
  bool finished_ = false;
};

}  // namespace

void KWinScreenshot::take(const GrabRequest& request, GrabDone done) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0 || ::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0) {
    QTimer::singleShot(0, this, [done = std::move(done)] {
      done({Bitmap(), LostReason::ScreenUnreadable});
    });
    return;
  }
  auto* picture = new KWinPicture(ends[0], this, std::move(done));
  QVariantMap options;
  options.insert(QStringLiteral("include-cursor"), request.withCursor && !request.activeWindow);
  options.insert(QStringLiteral("include-decoration"), request.activeWindow);
  options.insert(QStringLiteral("native-resolution"), true);
  const QString method = request.activeWindow ? QStringLiteral("CaptureActiveWindow")
                                              : QStringLiteral("CaptureWorkspace");
  const QVariant writeEnd = QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
  ::close(ends[1]);  // the message holds its own copy, given up once it is answered
  // KWin is the compositor: never started by the bus.
  callMethod(
      QDBusConnection::sessionBus(), kService, kPath, kInterface, method, {options, writeEnd},
      kAnswerTime, picture, [picture](const PortalReply& reply) { picture->answered(reply); },
      false);
}

}  // namespace snaprill
