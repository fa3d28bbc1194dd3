#include "backends/wayland/pipe_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace snaprill {

namespace {

// What one write offers: as much as a pipe holds.
constexpr qsizetype kChunk = qsizetype{64} << 10;

}  // namespace

PipeWriter::PipeWriter(int fd, QByteArray bytes, std::chrono::milliseconds silence)
    : fd_(fd), bytes_(std::move(bytes)), notifier_(fd, QSocketNotifier::Write) {
  // A reader gone before the end would otherwise end the program with the write.
  std::signal(SIGPIPE, SIG_IGN);
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  silence_.setSingleShot(true);
  silence_.setInterval(silence);
  connect(&silence_, &QTimer::timeout, this, &PipeWriter::end);
  connect(&notifier_, &QSocketNotifier::activated, this, &PipeWriter::writeAvailable);
  silence_.start();
}

PipeWriter::~PipeWriter() {
  end();
}

void PipeWriter::end() {
  silence_.stop();
  notifier_.setEnabled(false);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  bytes_ = QByteArray();
}

void PipeWriter::writeAvailable() {
  while (fd_ >= 0 && written_ < bytes_.size()) {
    const qsizetype size = std::min(kChunk, bytes_.size() - written_);
    const ssize_t put = ::write(fd_, bytes_.constData() + written_, static_cast<std::size_t>(size));
    if (put > 0) {
      written_ += put;
      silence_.start();
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && errno == EAGAIN) return;
    break;  // the reader has gone
  }
  end();
}

}  // namespace snaprill
