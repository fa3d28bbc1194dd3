#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace snaprill {

namespace {

constexpr QByteArrayView kShowRequest = "show\n";

}  // namespace

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

SingleInstance::SingleInstance(const std::string& settingsDir, QObject* parent)
    : QObject(parent), socketPath_(socketPath(settingsDir)) {
  const QByteArray lockPath = (socketPath_ + QStringLiteral(".lock")).toLocal8Bit();
  const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    // Without a lock file no second start can be told apart: run as the first
    // rather than not at all.
    first_ = true;
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  lockFd_ = fd;
  first_ = true;
  // A socket left by a program that ended without removing it belongs to no one:
  // the lock says so.
  QLocalServer::removeServer(socketPath_);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::readRequest);
  server_.listen(socketPath_);
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
        if (peer->readLine() == kShowRequest) emit showRequested();
      }
    });
  }
}

bool SingleInstance::askToShow(int timeoutMs) const {
  // The first program may hold the lock a moment before it listens.
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
      socket.write(kShowRequest.data(), kShowRequest.size());
      socket.flush();
      const bool sent = socket.bytesToWrite() == 0 ||
                        socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
      socket.disconnectFromServer();
      return sent;
    }
    QThread::msleep(50);
  }
  return false;
}

}  // namespace snaprill
