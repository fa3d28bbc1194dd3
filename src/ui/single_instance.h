// One running program per settings folder. Two programs watching one clipboard
// would both take the same screenshot, so a second start with the same settings
// folder asks the running one to show its window and ends; another settings folder
// (SNAPRILL_HOME) is another program and may run beside it.
//
// The first program holds an exclusive lock on a file named after the settings
// folder, which the system releases however the program ends, and listens on a
// local socket of the same name. A later start that cannot take the lock is not the
// first; it connects to the socket and writes lines:
//   "show"                           answered by nothing;
//   "capture screen", "capture window" (snaprill --capture), answered by one line:
//                                    "ok" once the capture was kept, or
//                                    "refused <reason>";
//   "protocol 2" before a capture    asks for the answers of this program instead:
//                                    "pending <seconds>" at once (the longest the
//                                    outcome may take from then on), then one of
//                                    "saved <file>", "kept" (a frame of an animation
//                                    that waits for more), "refused <reason>" (no
//                                    picture taken) or "unsaved <reason>" (taken,
//                                    not saved).
// A program that does not know "protocol 2" ignores it and answers the capture in
// the first words, so a newer command and an older running program (and the other
// way round, during an upgrade) still understand each other.
#pragma once

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace snaprill {

enum class CaptureTarget { Screen, Window };

// One line a later start sends, without its line end.
struct InstanceRequest {
  enum class Kind { Show, Capture, Protocol } kind = Kind::Show;
  CaptureTarget target = CaptureTarget::Screen;
};
std::optional<InstanceRequest> parseInstanceRequest(std::string_view line);
std::string instanceRequestLine(const InstanceRequest& request);

// The first program's answer to a capture.
struct CaptureAnswer {
  enum class Kind {
    Saved,    // the file `detail` was written ("ok" from an older program: no name)
    Kept,     // a frame of an animation that waits for more captures
    Refused,  // no picture was taken: `detail` says why
    Unsaved,  // the picture was taken but not saved: `detail` says why
  };
  Kind kind = Kind::Saved;
  std::string detail;
  bool ok() const { return kind == Kind::Saved || kind == Kind::Kept; }
};
// Nothing when the line is no answer (a program that does not know the request, a
// garbled line, or "pending").
std::optional<CaptureAnswer> parseCaptureAnswer(std::string_view line);
// In the words of this program, or (`firstWords`) in those every program knows.
std::string captureAnswerLine(const CaptureAnswer& answer, bool firstWords = false);
// "pending <seconds>": how long the outcome may still take; nothing for another line.
std::optional<std::chrono::seconds> parsePendingLine(std::string_view line);
std::string pendingLine(std::chrono::seconds longest);

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

  // For a later start: asks the first to take a picture and waits for the outcome,
  // as long as the first says it may take (see pendingLine), or, from a program
  // that does not say, up to `silentFirstWait`. Nothing when the first could not be
  // reached within `reach`, or did not answer in time.
  std::optional<CaptureAnswer> askToCapture(CaptureTarget target, std::chrono::milliseconds reach,
                                            std::chrono::milliseconds silentFirstWait) const;
  // Beyond the time the first gives, for the answer's way here.
  static constexpr std::chrono::seconds kAnswerMargin{5};

  // For the first: what a capture request does. It answers once, now or later, by
  // calling `answer`; an answer for a later start that went away meanwhile is
  // dropped. Without a handler every capture is refused.
  class Answer {
   public:
    using Reply = std::function<void(const CaptureAnswer&)>;
    using MoreTime = std::function<void(std::chrono::seconds)>;
    Answer() = default;
    Answer(Reply reply, MoreTime moreTime = {})
        : reply_(std::move(reply)), moreTime_(std::move(moreTime)) {}
    void operator()(const CaptureAnswer& answer) const {
      if (reply_) reply_(answer);
    }
    // Before the outcome: it may still take `longest` from now (a capture waiting
    // behind slow writes), so that the later start waits for it instead of giving up.
    void moreTime(std::chrono::seconds longest) const {
      if (moreTime_) moreTime_(longest);
    }

   private:
    Reply reply_;
    MoreTime moreTime_;
  };
  using CaptureHandler = std::function<void(CaptureTarget, Answer)>;
  // `longest`: the longest the handler may take to answer, told to later starts.
  void setCaptureHandler(CaptureHandler handler, std::chrono::seconds longest) {
    captureHandler_ = std::move(handler);
    longestAnswer_ = longest;
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
  // Connects to the first and writes lines; nothing when it could not be reached.
  std::unique_ptr<QLocalSocket> send(const std::string& lines,
                                     const QDeadlineTimer& deadline) const;

  QString socketPath_;
  int lockFd_ = -1;
  bool first_ = false;
  bool listen_ = true;
  QLocalServer server_;
  CaptureHandler captureHandler_;
  std::chrono::seconds longestAnswer_{0};
};

}  // namespace snaprill
