// A thread that works beside its creator while the creator goes on working.
//
// Linux starts a new thread on its creator's processor. When the creator keeps
// running, as a capture's JPEG writer does while its rows are being decoded, the
// new thread waits there until the scheduler next balances its queues: after the
// machine has been idle, about 4 ms, a third of a capture. Started on another
// processor it runs within a fraction of a millisecond, and it may go anywhere
// afterwards.
#pragma once

#include <pthread.h>

#include <functional>

namespace snaprill {

// Processors this process may run on (its affinity, as `taskset` or a container
// sets it), at least 1. Work split between threads only pays with two or more:
// on one, the split rows of a capture cost 1.4 times the work done in one go.
int usableProcessors();

class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { join(); }

  // Runs `work` on a new thread; false, with nothing started, when no thread can
  // be had. Only one at a time: a previous one must have been joined.
  bool start(std::function<void()> work);
  bool running() const { return running_; }
  void join();

 private:
  pthread_t thread_{};
  bool running_ = false;
};

}  // namespace snaprill
