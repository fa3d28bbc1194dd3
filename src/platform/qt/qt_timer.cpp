#include "platform/qt/qt_timer.h"

namespace snaprill {

QtTimer::QtTimer() {
  connect(&timer_, &QTimer::timeout, this, &QtTimer::timeout);
}

void QtTimer::setEnabled(bool on) {
  enabled_ = on;
  rearm();
}

void QtTimer::setInterval(int milliseconds) {
  interval_ = milliseconds;
  timer_.setInterval(milliseconds);
}

void QtTimer::setGate(std::function<bool()> gate) {
  gate_ = std::move(gate);
  rearm();
}

void QtTimer::rearm() {
  const bool run = enabled_ && (!gate_ || gate_());
  if (!run) {
    timer_.stop();
  } else if (!timer_.isActive()) {
    // A polling timer would have found the new state somewhere within its
    // interval; the first tick comes as soon as the event loop is free, the
    // following ones at the interval.
    timer_.start(gate_ ? 0 : interval_);
  }
}

void QtTimer::timeout() {
  if (timer_.interval() != interval_) timer_.setInterval(interval_);
  fire();
  // The handler may have closed the gate (took the picture) or opened it again.
  if (gate_) rearm();
}

std::unique_ptr<Timer> NewQtTimer() {
  return std::make_unique<QtTimer>();
}

QtTimer& AsQtTimer(Timer& timer) {
  return dynamic_cast<QtTimer&>(timer);
}

}  // namespace snaprill
