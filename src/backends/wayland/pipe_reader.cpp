#include "backends/wayland/pipe_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "backends/qt/clipboard_offer.h"

namespace snaprill {

namespace {

// What one read asks for: a pipe holds 64 KiB.
constexpr qsizetype kChunk = qsizetype{64} << 10;

}  // namespace

PipeReader::PipeReader(std::chrono::milliseconds silence) {
  silence_.setSingleShot(true);
  silence_.setInterval(silence);
  connect(&silence_, &QTimer::timeout, this, [this] { fail(LostReason::NotSent); });
  connect(&notifier_, &QSocketNotifier::activated, this, &PipeReader::readAvailable);
}

PipeReader::~PipeReader() {
  cancel();
}

void PipeReader::start(int fd) {
  cancel();
  if (fd < 0) return;
  fd_ = fd;
  notifier_.setSocket(fd);
  notifier_.setEnabled(true);
  silence_.start();
}

void PipeReader::cancel() {
  silence_.stop();
  notifier_.setEnabled(false);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  bytes_ = QByteArray();
}

void PipeReader::fail(LostReason why) {
  cancel();
  emit failed(why);
}

void PipeReader::readAvailable() {
  for (;;) {
    if (bytes_.capacity() - bytes_.size() < kChunk)
      bytes_.reserve(std::max(bytes_.capacity() * 2, bytes_.size() + kChunk));
    const qsizetype had = bytes_.size();
    bytes_.resize(had + kChunk);
    const ssize_t got = ::read(fd_, bytes_.data() + had, static_cast<std::size_t>(kChunk));
    bytes_.resize(had + std::max<qsizetype>(got, 0));
    if (got > 0) {
      if (bytes_.size() > kMaxOfferBytes) return fail(LostReason::TooLarge);
      silence_.start();
      continue;
    }
    if (got == 0) {
      const QByteArray whole = std::move(bytes_);
      cancel();
      emit finished(whole);
      return;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) fail(LostReason::NotSent);
    return;
  }
}

}  // namespace snaprill
