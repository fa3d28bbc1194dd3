#include "ui/quit_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace snaprill {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The writing end for the handler, which cannot reach any object.
volatile std::sig_atomic_t signalWriteFd = -1;

extern "C" void onQuitSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // Non-blocking: when the pipe is full a close is already on its way.
  [[maybe_unused]] const ssize_t written = ::write(signalWriteFd, &byte, 1);
  errno = savedErrno;
}

}  // namespace

QuitOnSignals::QuitOnSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds_) != 0) return;
  signalWriteFd = fds_[0];
  notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &QuitOnSignals::readSignal);
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : kSignals) ::sigaction(sig, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals() {
  for (const int sig : kSignals) std::signal(sig, SIG_DFL);
  signalWriteFd = -1;
  notifier_.reset();
  for (const int fd : fds_) {
    if (fd >= 0) ::close(fd);
  }
}

void QuitOnSignals::readSignal() {
  char buffer[64];
  while (::read(fds_[1], buffer, sizeof buffer) > 0) {
  }
  if (onSignal_) onSignal_();
}

}  // namespace snaprill
