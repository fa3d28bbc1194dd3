#include "backends/qt/qt_timer.h"

#include <QScopedValueRollback>

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
    // following ones at the interval. Not so from inside the handler: a handler
    // that switches its own timer off and on again would make it spin.
    timer_.start(gate_ && !firing_ ? 0 : interval_);
  }
}

void QtTimer::timeout() {
  if (timer_.interval() != interval_) timer_.setInterval(interval_);
  {
    const QScopedValueRollback firing(firing_, true);
    fire();
  }
  // The handler may have closed the gate (took the picture) or opened it again.
  if (gate_) rearm();
}

std::unique_ptr<Timer> newQtTimer() {
  return std::make_unique<QtTimer>();
}

QtTimer& asQtTimer(Timer& timer) {
  return dynamic_cast<QtTimer&>(timer);
}

}  // namespace snaprill
