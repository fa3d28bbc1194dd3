#include "backends/qt/qt_background_work.h"

#include <pthread.h>

#include <QMetaObject>

namespace snaprill {

QtBackgroundWork::~QtBackgroundWork() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void QtBackgroundWork::start(std::function<void()> work, std::function<void()> done) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    work_ = std::move(work);
    done_ = std::move(done);
    ++given_;
  }
  if (!thread_.joinable()) {
    thread_ = std::thread([this] { run(); });
    // Named for whoever looks at the process (top -H, a debugger).
    pthread_setname_np(thread_.native_handle(), "snaprill-write");
  }
  changed_.notify_all();
}

void QtBackgroundWork::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Work given before the end is still done: a capture taken is never lost.
    changed_.wait(lock, [this] { return stopping_ || work_; });
    if (!work_) return;
    std::function<void()> work = std::move(work_);
    work_ = nullptr;
    const std::uint64_t piece = given_;
    lock.unlock();
    work();
    work = nullptr;  // what the work holds (the picture) goes here, not on the window's thread
    lock.lock();
    finished_ = piece;
    changed_.notify_all();
    QMetaObject::invokeMethod(
        &receiver_, [this, piece] { deliver(piece); }, Qt::QueuedConnection);
  }
}

void QtBackgroundWork::finishNow() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return finished_ == given_; });
  const std::uint64_t piece = given_;
  lock.unlock();
  deliver(piece);
}

void QtBackgroundWork::deliver(std::uint64_t piece) {
  std::function<void()> done;
  {
    // Taken under the lock: what the work wrote is then seen here.
    const std::lock_guard<std::mutex> lock(mutex_);
    if (piece != given_ || finished_ != piece || delivered_ == piece) return;
    delivered_ = piece;
    done = std::move(done_);
    done_ = nullptr;
  }
  if (done) done();
}

}  // namespace snaprill
