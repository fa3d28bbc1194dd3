#include "ui/browser_opener.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <cerrno>
#include <utility>

#include "platform/process_launcher.h"

namespace snaprill {

namespace {

// Waits, without blocking the window, for the byte that tells how xdg-open ended.
class ExitWatch : public QObject {
 public:
  ExitWatch(int fd, QObject* owner, std::function<void()> failed)
      : QObject(owner), fd_(fd), notifier_(fd, QSocketNotifier::Read), failed_(std::move(failed)) {
    started_.start();
    connect(&notifier_, &QSocketNotifier::activated, this, &ExitWatch::ended);
  }
  ~ExitWatch() override {
    notifier_.setEnabled(false);
    ::close(fd_);
  }
  ExitWatch(const ExitWatch&) = delete;
  ExitWatch& operator=(const ExitWatch&) = delete;

 private:
  void ended() {
    notifier_.setEnabled(false);
    unsigned char status = 0;
    ssize_t got = 0;
    while ((got = ::read(fd_, &status, 1)) < 0 && errno == EINTR) {
    }
    if ((got != 1 || status != 0) && started_.elapsed() < kBrowserFailureWindowMs) failed_();
    deleteLater();
  }

  int fd_;
  QSocketNotifier notifier_;
  QElapsedTimer started_;
  std::function<void()> failed_;
};

}  // namespace

void openInBrowser(const QUrl& url, QObject* owner, std::function<void()> failed) {
  const int fd =
      startReportingExit("xdg-open", {url.toString(QUrl::FullyEncoded).toStdString()}, "");
  if (fd < 0) {
    failed();
    return;
  }
  new ExitWatch(fd, owner, std::move(failed));
}

}  // namespace snaprill
