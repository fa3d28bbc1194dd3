// Ends the program on SIGTERM, SIGINT and SIGHUP through the same close path as
// the window's close button. A signal handler may do almost nothing, so it only
// writes a byte into a socket pair; the event loop sees the byte and runs the close
// on the user-interface thread.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace snaprill {

class QuitOnSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitOnSignals(std::function<void()> onSignal);
  ~QuitOnSignals() override;
  QuitOnSignals(const QuitOnSignals&) = delete;
  QuitOnSignals& operator=(const QuitOnSignals&) = delete;

 private:
  void readSignal();

  int fds_[2] = {-1, -1};
  std::function<void()> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace snaprill
