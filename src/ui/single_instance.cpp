#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace snaprill {

namespace {

constexpr std::string_view kShow = "show";
constexpr std::string_view kCaptureScreen = "capture screen";
constexpr std::string_view kCaptureWindow = "capture window";
constexpr std::string_view kOk = "ok";
constexpr std::string_view kRefused = "refused ";
// A request line longer than this is not one of ours: read no further.
constexpr qint64 kLongestLine = 256;

std::string_view withoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

}  // namespace

std::optional<InstanceRequest> parseInstanceRequest(std::string_view line) {
  line = withoutLineEnd(line);
  if (line == kShow) return InstanceRequest{};
  if (line == kCaptureScreen) return InstanceRequest{InstanceRequest::Kind::Capture};
  if (line == kCaptureWindow)
    return InstanceRequest{InstanceRequest::Kind::Capture, CaptureTarget::Window};
  return std::nullopt;
}

std::string instanceRequestLine(const InstanceRequest& request) {
  if (request.kind == InstanceRequest::Kind::Show) return std::string(kShow);
  return std::string(request.target == CaptureTarget::Window ? kCaptureWindow : kCaptureScreen);
}

std::optional<CaptureAnswer> parseCaptureAnswer(std::string_view line) {
  line = withoutLineEnd(line);
  if (line == kOk) return CaptureAnswer{};
  if (line.starts_with(kRefused) && line.size() > kRefused.size())
    return CaptureAnswer{std::string(line.substr(kRefused.size()))};
  return std::nullopt;
}

std::string captureAnswerLine(const CaptureAnswer& answer) {
  if (answer.ok()) return std::string(kOk);
  // One line: a reason that holds a line end would end the answer early.
  std::string reason = answer.refusal;
  std::replace(reason.begin(), reason.end(), '\n', ' ');
  return std::string(kRefused) + reason;
}

QString SingleInstance::socketPath(const std::string& settingsDir) {
  const QString folder =
      QDir::cleanPath(QFileInfo(QString::fromStdString(settingsDir)).absoluteFilePath());
  const QByteArray hash =
      QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
  QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  // Without a runtime folder the shared temporary folder holds the files of every
  // user, whose names must then differ.
  if (runtime.isEmpty()) {
    runtime = QDir::tempPath() + QStringLiteral("/snaprill-") + QString::number(::getuid());
    QDir().mkpath(runtime);
  }
  return runtime + QStringLiteral("/snaprill-") + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const std::string& settingsDir, bool listen, QObject* parent)
    : QObject(parent), socketPath_(socketPath(settingsDir)), listen_(listen) {
  const QByteArray lockPath = (socketPath_ + QStringLiteral(".lock")).toLocal8Bit();
  lockFd_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file no second start can be told apart: run as the first rather
  // than not at all.
  if (lockFd_ < 0) {
    first_ = true;
    return;
  }
  takeLock();
}

bool SingleInstance::takeLock() {
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) return false;
  first_ = true;
  if (!listen_) return true;
  // A socket left by a program that ended without removing it belongs to no one:
  // the lock says so.
  QLocalServer::removeServer(socketPath_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::readRequest,
          Qt::UniqueConnection);
  server_.listen(socketPath_);
  return true;
}

bool SingleInstance::waitToBeFirst(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!first_ && !deadline.hasExpired()) {
    if (!takeLock()) QThread::msleep(20);
  }
  return first_;
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lockFd_ >= 0) ::close(lockFd_);
}

void SingleInstance::readRequest() {
  while (QLocalSocket* peer = server_.nextPendingConnection()) {
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
      while (peer->canReadLine()) {
        const QByteArray line = peer->readLine(kLongestLine);
        const std::optional<InstanceRequest> request =
            parseInstanceRequest(std::string_view(line.constData(), line.size()));
        if (request) answer(peer, *request);
      }
      if (peer->bytesAvailable() >= kLongestLine) peer->abort();
    });
  }
}

void SingleInstance::answer(QLocalSocket* peer, const InstanceRequest& request) {
  if (request.kind == InstanceRequest::Kind::Show) {
    emit showRequested();
    return;
  }
  CaptureAnswer reply{"no picture can be taken here"};
  if (captureHandler_) reply.refusal = captureHandler_(request.target).value_or(std::string());
  const std::string line = captureAnswerLine(reply) + '\n';
  peer->write(line.data(), static_cast<qint64>(line.size()));
  peer->flush();
}

std::unique_ptr<QLocalSocket> SingleInstance::send(const std::string& line,
                                                   const QDeadlineTimer& deadline) const {
  // The first program may hold the lock a moment before it listens.
  while (!deadline.hasExpired()) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(socketPath_);
    if (socket->waitForConnected(static_cast<int>(deadline.remainingTime()))) {
      const std::string request = line + '\n';
      socket->write(request.data(), static_cast<qint64>(request.size()));
      socket->flush();
      const bool sent = socket->bytesToWrite() == 0 ||
                        socket->waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
      return sent ? std::move(socket) : nullptr;
    }
    QThread::msleep(50);
  }
  return nullptr;
}

bool SingleInstance::askToShow(int timeoutMs, bool show) const {
  // The first ignores an empty line.
  const std::unique_ptr<QLocalSocket> socket = send(
      show ? instanceRequestLine(InstanceRequest{}) : std::string(), QDeadlineTimer(timeoutMs));
  if (!socket) return false;
  socket->disconnectFromServer();
  return true;
}

std::optional<CaptureAnswer> SingleInstance::askToCapture(CaptureTarget target,
                                                          int timeoutMs) const {
  const QDeadlineTimer deadline(timeoutMs);
  const std::unique_ptr<QLocalSocket> socket =
      send(instanceRequestLine(InstanceRequest{InstanceRequest::Kind::Capture, target}), deadline);
  if (!socket) return std::nullopt;
  while (!socket->canReadLine()) {
    if (deadline.hasExpired() ||
        !socket->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
      return std::nullopt;
  }
  const QByteArray line = socket->readLine(kLongestLine);
  return parseCaptureAnswer(std::string_view(line.constData(), line.size()));
}

}  // namespace snaprill
