// The thread captures are encoded and written on (BackgroundWork): started with
// the first piece of work and kept for the next, so that a burst of captures pays
// for no thread start; each piece's `done` comes back through Qt's event loop on
// the thread that made this object.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/services.h"

namespace snaprill {

class QtBackgroundWork : public BackgroundWork {
 public:
  QtBackgroundWork() = default;
  // Waits for the work given (none is lost); its `done` is not called any more.
  ~QtBackgroundWork() override;
  QtBackgroundWork(const QtBackgroundWork&) = delete;
  QtBackgroundWork& operator=(const QtBackgroundWork&) = delete;

  void start(std::function<void()> work, std::function<void()> done) override;
  void finishNow() override;

 private:
  void run();
  // On the event loop's thread: the `done` of that piece, unless it ran already.
  void deliver(std::uint64_t piece);

  QObject receiver_;  // calls queued for it are dropped when it goes
  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> work_;  // given, not yet begun
  std::function<void()> done_;
  std::uint64_t given_ = 0;      // the last piece given
  std::uint64_t finished_ = 0;   // the last piece whose work returned
  std::uint64_t delivered_ = 0;  // the last piece whose `done` ran
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace snaprill
