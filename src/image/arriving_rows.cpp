#include "image/arriving_rows.h"

#include <chrono>
#include <climits>

#include "base/worker_thread.h"

namespace snaprill {

struct ArrivingRows::State {
  std::atomic<int> ready{INT_MAX};
  // Written before the last rows are published, read after they are seen.
  std::atomic<bool> intact{true};
  std::function<void()> help;
  WorkerThread worker;
};

ArrivingRows::ArrivingRows() : state_(std::make_unique<State>()) {}

ArrivingRows::~ArrivingRows() {
  complete();
}

void ArrivingRows::start(int height, std::function<bool(const Publish&)> work,
                         std::function<void()> help) {
  complete();
  State& s = *state_;
  s.ready.store(0, std::memory_order_relaxed);
  s.intact.store(true, std::memory_order_relaxed);
  s.help = std::move(help);
  const auto run = [&s, height, work = std::move(work)] {
    const Publish publish = [&s](int rows) {
      s.ready.store(rows, std::memory_order_release);
      s.ready.notify_all();
    };
    if (!work(publish)) s.intact.store(false, std::memory_order_relaxed);
    publish(height);
  };
  if (!s.worker.start(run)) {
    s.help();
    run();
    s.help = nullptr;  // it holds the decoder's data
    s.ready.store(INT_MAX, std::memory_order_release);
  }
}

namespace {

// A thread put to sleep is woken on the processor of whoever wakes it, and there,
// behind the worker that keeps that processor busy, it waits for the scheduler's
// next balancing: about 4 ms after the machine has been idle. The writer's waits
// for rows are mostly far shorter, so it first watches for them awake.
constexpr auto kWatchAwake = std::chrono::milliseconds(2);

void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void ArrivingRows::waitFor(int rows) const {
  const std::atomic<int>& ready = state_->ready;
  if (ready.load(std::memory_order_acquire) >= rows) return;
  static const bool otherProcessors = usableProcessors() > 1;
  if (otherProcessors) {
    const auto until = std::chrono::steady_clock::now() + kWatchAwake;
    do {
      for (int i = 0; i < 256; ++i) {
        if (ready.load(std::memory_order_acquire) >= rows) return;
        pause();
      }
    } while (std::chrono::steady_clock::now() < until);
  }
  for (int now = ready.load(std::memory_order_acquire); now < rows;
       now = ready.load(std::memory_order_acquire)) {
    ready.wait(now, std::memory_order_acquire);
  }
}

bool ArrivingRows::arrived(int rows) const {
  return state_->ready.load(std::memory_order_acquire) >= rows;
}

void ArrivingRows::complete() {
  State& s = *state_;
  if (!s.worker.running()) return;
  if (s.help) s.help();
  s.worker.join();
  s.help = nullptr;
  s.ready.store(INT_MAX, std::memory_order_release);
}

bool ArrivingRows::intact() const {
  return state_->intact.load(std::memory_order_relaxed);
}

}  // namespace snaprill
