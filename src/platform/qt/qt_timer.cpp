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
    timer_.start();
  }
}

void QtTimer::timeout() {
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
