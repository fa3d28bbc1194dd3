#include "platform/arriving_rows.h"

#include <climits>
#include <system_error>
#include <thread>

namespace snaprill {

struct ArrivingRows::State {
  std::atomic<int> ready{INT_MAX};
  std::function<void()> help;
  std::jthread worker;
};

ArrivingRows::ArrivingRows() : state_(std::make_unique<State>()) {}

ArrivingRows::~ArrivingRows() {
  complete();
}

void ArrivingRows::start(int height, std::function<void(const Publish&)> work,
                         std::function<void()> help) {
  complete();
  State& s = *state_;
  s.ready.store(0, std::memory_order_relaxed);
  s.help = std::move(help);
  const auto run = [&s, height, work = std::move(work)] {
    const Publish publish = [&s](int rows) {
      s.ready.store(rows, std::memory_order_release);
      s.ready.notify_all();
    };
    work(publish);
    publish(height);
  };
  try {
    s.worker = std::jthread(run);
  } catch (const std::system_error&) {
    s.help();
    run();
    s.help = nullptr;  // it holds the decoder's data
    s.ready.store(INT_MAX, std::memory_order_release);
  }
}

void ArrivingRows::waitFor(int rows) const {
  const std::atomic<int>& ready = state_->ready;
  for (int now = ready.load(std::memory_order_acquire); now < rows;
       now = ready.load(std::memory_order_acquire)) {
    ready.wait(now, std::memory_order_acquire);
  }
}

void ArrivingRows::complete() {
  State& s = *state_;
  if (!s.worker.joinable()) return;
  if (s.help) s.help();
  s.worker.join();
  s.help = nullptr;
  s.ready.store(INT_MAX, std::memory_order_release);
}

}  // namespace snaprill
