// Writes our clipboard offer's bytes into the pipe of a program that pastes it,
// without ever blocking the event loop: a pipe holds 64 KiB, a picture more, and
// the reader takes its time. A reader that takes nothing for a while, or goes
// away, ends the write; it never ends the program (SIGPIPE is ignored).
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

namespace snaprill {

class PipeWriter : public QObject {
  Q_OBJECT

 public:
  // Writes `bytes` into the pipe end `fd`, which is the writer's from here on.
  PipeWriter(int fd, QByteArray bytes, std::chrono::milliseconds silence);
  ~PipeWriter() override;
  PipeWriter(const PipeWriter&) = delete;
  PipeWriter& operator=(const PipeWriter&) = delete;

  // Whether the write has ended, all written or given up.
  bool done() const { return fd_ < 0; }

 private:
  void writeAvailable();
  void end();

  int fd_;
  QByteArray bytes_;
  qsizetype written_ = 0;
  QSocketNotifier notifier_;
  QTimer silence_;
};

}  // namespace snaprill
