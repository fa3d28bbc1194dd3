#include "base/worker_thread.h"

#include <sched.h>

#include <algorithm>
#include <memory>

namespace snaprill {

namespace {

struct Start {
  std::function<void()> work;
  cpu_set_t allowed;  // the creator's processors, given back once running
  bool placed = false;
};

void* run(void* argument) {
  const std::unique_ptr<Start> start(static_cast<Start*>(argument));
  if (start->placed) pthread_setaffinity_np(pthread_self(), sizeof start->allowed, &start->allowed);
  start->work();
  return nullptr;
}

}  // namespace

int usableProcessors() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
  return std::max(1, CPU_COUNT(&allowed));
}

bool WorkerThread::start(std::function<void()> work) {
  auto start = std::make_unique<Start>();
  start->work = std::move(work);
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return false;
  // Any processor the creator may use, except the one it runs on now; where that
  // leaves none, or cannot be known, the thread starts where Linux puts it.
  const int here = sched_getcpu();
  if (here >= 0 &&
      pthread_getaffinity_np(pthread_self(), sizeof start->allowed, &start->allowed) == 0) {
    cpu_set_t others = start->allowed;
    CPU_CLR(here, &others);
    start->placed = CPU_COUNT(&others) > 0 &&
                    pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
  }
  const int result = pthread_create(&thread_, &attributes, run, start.get());
  pthread_attr_destroy(&attributes);
  if (result != 0) return false;
  start.release();  // the thread's now
  running_ = true;
  return true;
}

void WorkerThread::join() {
  if (!running_) return;
  pthread_join(thread_, nullptr);
  running_ = false;
}

}  // namespace snaprill
