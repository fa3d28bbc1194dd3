#include "fakes/fakes.h"

namespace snaprill::fake {

std::unique_ptr<Timer> newFakeTimer() {
  return std::make_unique<FakeTimer>();
}

class FakeTimeline::TimelineTimer : public Timer {
 public:
  explicit TimelineTimer(FakeTimeline& timeline) : timeline_(timeline) {
    timeline_.timers_.push_back(this);
  }
  ~TimelineTimer() override { std::erase(timeline_.timers_, this); }

  void setEnabled(bool on) override {
    if (on && !enabled_) due_ = timeline_.now_ + step();
    enabled_ = on;
  }
  bool enabled() const override { return enabled_; }
  void setInterval(int milliseconds) override {
    interval_ = milliseconds;
    due_ = timeline_.now_ + step();
  }
  int interval() const override { return interval_; }

  long long due() const { return due_; }
  void fireNow() {
    due_ += step();
    fire();
  }

 private:
  // A zero or negative interval fires as often as the loop comes round: every
  // millisecond here.
  long long step() const { return std::max(1, interval_); }

  FakeTimeline& timeline_;
  bool enabled_ = false;
  int interval_ = 0;
  long long due_ = 0;
};

std::unique_ptr<Timer> FakeTimeline::newTimer() {
  return std::make_unique<TimelineTimer>(*this);
}

int FakeTimeline::enabledTimers() const {
  return static_cast<int>(
      std::count_if(timers_.begin(), timers_.end(), [](const Timer* t) { return t->enabled(); }));
}

void FakeTimeline::advance(long long milliseconds) {
  const long long end = now_ + milliseconds;
  for (;;) {
    TimelineTimer* next = nullptr;
    for (TimelineTimer* t : timers_) {
      if (t->enabled() && t->due() <= end && (next == nullptr || t->due() < next->due())) next = t;
    }
    if (next == nullptr) break;
    now_ = next->due();
    next->fireNow();
  }
  now_ = end;
}

}  // namespace snaprill::fake
