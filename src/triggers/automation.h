// The automation: Print Screen sent at a fixed period, after an optional delay,
// until the link is clicked again or an optional number of presses has been sent.
//
//   state     link   timer running        entered by
//   idle      Start  none                 program start; a click while waiting or
//                                          running; the limit reached
//   waiting   Stop   the delay timer      a click with the delay on
//   running   Stop   the periodic timer   a click with the delay off; the delay's end
//
// A pause of the capture cycle stops the periodic timer and its resume starts it
// again, when it ran. A click looks only at whether one of the two timers runs, not
// at the link: while the cycle is paused the periodic timer is off, so a click
// starts a new run. The delay timer is not touched by a pause: a run still waiting
// carries on, and sends Print Screen during the pause once the delay is over.
//
// The period is read at the start, the limit at every tick. A delay of 0 or less
// starts the run at once, as if the delay were off.
#pragma once

#include <memory>

#include "base/callbacks.h"
#include "capture/capture_cycle.h"
#include "platform/platform.h"

namespace snaprill {

class Automation : private CaptureObserver {
 public:
  // Everything given outlives the automation.
  Automation(Options& options, const Texts& texts, CaptureCycle& cycle, Platform& services,
             const KeyboardState& keyboard, KeyInjector& keys);
  ~Automation() override;
  Automation(const Automation&) = delete;
  Automation& operator=(const Automation&) = delete;

  // The link: stops a run that waits or runs, else starts one.
  void toggleAutomation();
  void startAutomation();
  void stopAutomation();

  void onAutomationTick();
  void onAutomationDelayTick();

  // The period in milliseconds: the count times the unit (1, 1000 or 60000; no unit
  // chosen counts as seconds). At most 35791 minutes, 2,147,460,000 ms, which a
  // timer's signed 32-bit interval holds.
  int periodMilliseconds() const;

  // Print Screen presses sent in this run.
  int automationCount() const { return count_; }
  // The link's text: the Stop text from a start until the next stop.
  const std::string& linkText() const;
  Timer& periodTimer() { return *periodTimer_; }
  Timer& delayTimer() { return *delayTimer_; }
  // Told after every start and stop (the link's text and the period fields' enabled
  // state change then).
  Callbacks changed;

 private:
  void stateChanged() override;

  Options& options_;
  const Texts& texts_;
  CaptureCycle& cycle_;
  const KeyboardState& keyboard_;
  KeyInjector& keys_;
  std::unique_ptr<Timer> periodTimer_;
  std::unique_ptr<Timer> delayTimer_;
  bool paused_ = false;
  bool resumeAfterPause_ = false;
  int count_ = 0;
  bool showsStop_ = false;
};

}  // namespace snaprill
