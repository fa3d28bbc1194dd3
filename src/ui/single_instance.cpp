#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

namespace snaprill {

namespace {

constexpr std::string_view kShow = "show";
constexpr std::string_view kCaptureScreen = "capture screen";
constexpr std::string_view kCaptureWindow = "capture window";
constexpr std::string_view kProtocol = "protocol 2";
constexpr std::string_view kOk = "ok";
constexpr std::string_view kPending = "pending ";
// A request or answer line longer than this is not one of ours: read no further.
constexpr qint64 kLongestLine = 4096;

// The words of the answers, with whether a detail follows.
struct AnswerWord {
  CaptureAnswer::Kind kind;
  std::string_view word;  // with its space where a detail follows
  bool detailed;
};
constexpr AnswerWord kAnswerWords[] = {
    {CaptureAnswer::Kind::Saved, "saved ", true},
    {CaptureAnswer::Kind::Kept, "kept", false},
    {CaptureAnswer::Kind::Refused, "refused ", true},
    {CaptureAnswer::Kind::Unsaved, "unsaved ", true},
};

std::string_view withoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

// One line: a detail that holds a line end would end the answer early.
std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

}  // namespace

std::optional<InstanceRequest> parseInstanceRequest(std::string_view line) {
  using Kind = InstanceRequest::Kind;
  line = withoutLineEnd(line);
  if (line == kShow) return InstanceRequest{};
  if (line == kCaptureScreen) return InstanceRequest{Kind::Capture};
  if (line == kCaptureWindow) return InstanceRequest{Kind::Capture, CaptureTarget::Window};
  if (line == kProtocol) return InstanceRequest{Kind::Protocol};
  return std::nullopt;
}

std::string instanceRequestLine(const InstanceRequest& request) {
  switch (request.kind) {
    case InstanceRequest::Kind::Show:
      return std::string(kShow);
    case InstanceRequest::Kind::Protocol:
      return std::string(kProtocol);
    case InstanceRequest::Kind::Capture:
      break;
  }
  return std::string(request.target == CaptureTarget::Window ? kCaptureWindow : kCaptureScreen);
}

std::optional<CaptureAnswer> parseCaptureAnswer(std::string_view line) {
  line = withoutLineEnd(line);
  if (line == kOk) return CaptureAnswer{};
  for (const AnswerWord& w : kAnswerWords) {
    if (!w.detailed && line == w.word) return CaptureAnswer{w.kind, {}};
    // Saying why is the point of a refusal; a file name may be empty (a file
    // written where the program could not tell its name).
    if (w.detailed && line.starts_with(w.word) &&
        (line.size() > w.word.size() || w.kind == CaptureAnswer::Kind::Saved))
      return CaptureAnswer{w.kind, std::string(line.substr(w.word.size()))};
  }
  return std::nullopt;
}

std::string captureAnswerLine(const CaptureAnswer& answer, bool firstWords) {
  if (firstWords) {
    return answer.ok() ? std::string(kOk) : "refused " + oneLine(answer.detail);
  }
  for (const AnswerWord& w : kAnswerWords) {
    if (w.kind == answer.kind)
      return std::string(w.word) + (w.detailed ? oneLine(answer.detail) : "");
  }
  return std::string(kOk);
}

std::optional<std::chrono::seconds> parsePendingLine(std::string_view line) {
  line = withoutLineEnd(line);
  if (!line.starts_with(kPending)) return std::nullopt;
  line.remove_prefix(kPending.size());
  long long seconds = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), seconds);
  if (error != std::errc() || end != line.data() + line.size() || seconds < 0) return std::nullopt;
  // Beyond a day is no time a picture takes: a garbled line.
  if (seconds > 86400) return std::nullopt;
  return std::chrono::seconds(seconds);
}

std::string pendingLine(std::chrono::seconds longest) {
  return std::string(kPending) + std::to_string(longest.count());
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

namespace {

// Writes one line to a later start, unless it went away meanwhile: it may have
// given up on a capture that took long, and its socket is then gone.
void writeLine(const QPointer<QLocalSocket>& peer, const std::string& text) {
  if (peer.isNull() || peer->state() != QLocalSocket::ConnectedState) return;
  const std::string line = text + '\n';
  peer->write(line.data(), static_cast<qint64>(line.size()));
  peer->flush();
}

// Whether a later start asked for this program's answers.
const char* const kNewWords = "snaprillNewWords";

}  // namespace

void SingleInstance::answer(QLocalSocket* peer, const InstanceRequest& request) {
  switch (request.kind) {
    case InstanceRequest::Kind::Show:
      emit showRequested();
      return;
    case InstanceRequest::Kind::Protocol:
      peer->setProperty(kNewWords, true);
      return;
    case InstanceRequest::Kind::Capture:
      break;
  }
  const bool firstWords = !peer->property(kNewWords).toBool();
  const QPointer<QLocalSocket> guarded(peer);
  if (!captureHandler_) {
    writeLine(guarded,
              captureAnswerLine({CaptureAnswer::Kind::Refused, "no picture can be taken here"},
                                firstWords));
    return;
  }
  if (!firstWords) writeLine(guarded, pendingLine(longestAnswer_));
  auto answered = std::make_shared<bool>(false);
  captureHandler_(
      request.target,
      Answer(
          [guarded, firstWords, answered](const CaptureAnswer& reply) {
            if (*answered) return;
            *answered = true;
            writeLine(guarded, captureAnswerLine(reply, firstWords));
          },
          // A program of the version before waits as long as it waits, whatever is said.
          [guarded, firstWords, answered](std::chrono::seconds longest) {
            if (!*answered && !firstWords) writeLine(guarded, pendingLine(longest));
          }));
}

std::unique_ptr<QLocalSocket> SingleInstance::send(const std::string& lines,
                                                   const QDeadlineTimer& deadline) const {
  // The first program may hold the lock a moment before it listens.
  while (!deadline.hasExpired()) {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(socketPath_);
    if (socket->waitForConnected(static_cast<int>(deadline.remainingTime()))) {
      socket->write(lines.data(), static_cast<qint64>(lines.size()));
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
  const std::unique_ptr<QLocalSocket> socket =
      send((show ? instanceRequestLine(InstanceRequest{}) : std::string()) + '\n',
           QDeadlineTimer(timeoutMs));
  if (!socket) return false;
  socket->disconnectFromServer();
  return true;
}

std::optional<CaptureAnswer> SingleInstance::askToCapture(
    CaptureTarget target, std::chrono::milliseconds reach,
    std::chrono::milliseconds silentFirstWait) const {
  using Kind = InstanceRequest::Kind;
  const std::string lines = instanceRequestLine({Kind::Protocol}) + '\n' +
                            instanceRequestLine({Kind::Capture, target}) + '\n';
  const std::unique_ptr<QLocalSocket> socket =
      send(lines, QDeadlineTimer(static_cast<qint64>(reach.count())));
  if (!socket) return std::nullopt;
  // An older first says nothing until its answer: it is waited for as long as such
  // a program may take, for giving up earlier would not stop it, only lose its word.
  QDeadlineTimer deadline(static_cast<qint64>(silentFirstWait.count()));
  for (;;) {
    while (!socket->canReadLine()) {
      if (deadline.hasExpired() ||
          !socket->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
        return std::nullopt;
    }
    const QByteArray read = socket->readLine(kLongestLine);
    const std::string_view line(read.constData(), static_cast<std::size_t>(read.size()));
    if (const std::optional<std::chrono::seconds> longest = parsePendingLine(line)) {
      deadline = QDeadlineTimer(
          std::chrono::duration_cast<std::chrono::milliseconds>(*longest + kAnswerMargin).count());
      continue;
    }
    return parseCaptureAnswer(line);
  }
}

}  // namespace snaprill
