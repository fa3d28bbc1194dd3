// One running program per settings folder. Two programs watching one clipboard
// would both take the same screenshot, so a second start with the same settings
// folder asks the running one to show its window and ends; another settings folder
// (SNAPRILL_HOME) is another program and may run beside it.
//
// The first program holds an exclusive lock on a file named after the settings
// folder, which the system releases however the program ends, and listens on a
// local socket of the same name. A later start that cannot take the lock is not the
// first; it connects to the socket and writes one line: "show" (answered by nothing),
// or "capture screen" / "capture window" (snaprill --capture), answered by one line,
// "ok" once the picture was taken or "refused <reason>".
#pragma once

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace snaprill {

enum class CaptureTarget { Screen, Window };

// One line a later start sends, without its line end.
struct InstanceRequest {
  enum class Kind { Show, Capture } kind = Kind::Show;
  CaptureTarget target = CaptureTarget::Screen;
};
std::optional<InstanceRequest> parseInstanceRequest(std::string_view line);
std::string instanceRequestLine(const InstanceRequest& request);

// The first program's answer to a capture: empty refusal means "ok".
struct CaptureAnswer {
  std::string refusal;
  bool ok() const { return refusal.empty(); }
};
// Nothing when the line is neither "ok" nor "refused ..." (a program that does
// not know the request, or a garbled line).
std::optional<CaptureAnswer> parseCaptureAnswer(std::string_view line);
std::string captureAnswerLine(const CaptureAnswer& answer);

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // Takes the lock of the settings folder when no running program holds it. A first
  // that does not listen (a --capture saving its own picture, done in a moment)
  // answers no one: later starts wait for its lock instead.
  explicit SingleInstance(const std::string& settingsDir, bool listen = true,
                          QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool first() const { return first_; }
  // For a later start: asks the first to show its window (with show false, only
  // whether it listens); false when it could not be reached within the time.
  bool askToShow(int timeoutMs, bool show = true) const;
  // For a later start whose first could not be reached: waits up to the time for its
  // lock; true when this one is the first now.
  bool waitToBeFirst(int timeoutMs);
  // For a later start: asks the first to take a picture and waits for its answer;
  // nothing when it could not be reached or did not answer within the time.
  std::optional<CaptureAnswer> askToCapture(CaptureTarget target, int timeoutMs) const;

  // For the first: what a capture request does; returns the refusal's reason, or
  // nothing when the picture was taken. Without one, every capture is refused.
  void setCaptureHandler(std::function<std::optional<std::string>(CaptureTarget)> handler) {
    captureHandler_ = std::move(handler);
  }

  // Where the lock and the socket live for a settings folder: the user's runtime
  // folder, named by a hash of the folder's absolute path.
  static QString socketPath(const std::string& settingsDir);

 signals:
  void showRequested();

 private:
  bool takeLock();
  void readRequest();
  void answer(QLocalSocket* peer, const InstanceRequest& request);
  // Connects to the first and writes line; nothing when it could not be reached.
  std::unique_ptr<QLocalSocket> send(const std::string& line, const QDeadlineTimer& deadline) const;

  QString socketPath_;
  int lockFd_ = -1;
  bool first_ = false;
  bool listen_ = true;
  QLocalServer server_;
  std::function<std::optional<std::string>(CaptureTarget)> captureHandler_;
};

}  // namespace snaprill
