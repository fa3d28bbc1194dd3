// Window timers on Qt's event loop.
//
// The hotkeys were designed around a timer that looks at the keys every
// millisecond. Run for real, a 1 ms timer wakes the processor a thousand times a
// second and costs a few per cent of a core while nothing happens. A hotkey tick
// that finds no key down changes nothing, so leaving those ticks out cannot be seen
// from outside. A gated timer therefore runs its interval only while its gate is
// open (a hotkey's key is down, or a latch waits to see it up) and looks at the gate
// again whenever it is told that the answer may have changed (a key event). A gate
// that never opens gives a timer whose enabled flag can still be switched but which
// never wakes anything.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/services.h"

namespace snaprill {

class QtTimer : public QObject, public Timer {
  Q_OBJECT

 public:
  QtTimer();

  void setEnabled(bool on) override;
  bool enabled() const override { return enabled_; }
  // Takes effect at once; a running timer starts its interval anew.
  void setInterval(int milliseconds) override;
  int interval() const override { return interval_; }

  // Lets the timer tick only while gate() is true. Call gateChanged() (or connect it
  // to a signal) whenever the answer may have changed.
  void setGate(std::function<bool()> gate);

 public slots:
  void gateChanged() { rearm(); }

 private:
  void rearm();
  void timeout();

  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = false;
  bool firing_ = false;
  std::function<bool()> gate_;
};

// A timer factory for Platform::newTimer.
std::unique_ptr<Timer> newQtTimer();

// The QtTimer behind a Timer made by newQtTimer; throws std::bad_cast otherwise.
QtTimer& asQtTimer(Timer& timer);

}  // namespace snaprill
