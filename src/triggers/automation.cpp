#include "triggers/automation.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "triggers/print_screen_keys.h"

namespace snaprill {

namespace {

constexpr int kUnitFactors[] = {1, 1000, 60000};  // milliseconds, seconds, minutes
constexpr int kSeconds = 1;

}  // namespace

Automation::Automation(Options& options, const Texts& texts, CaptureCycle& cycle,
                       Platform& services, const KeyboardState& keyboard, KeyInjector& keys)
    : options_(options),
      texts_(texts),
      cycle_(cycle),
      keyboard_(keyboard),
      keys_(keys),
      periodTimer_(services.newTimer()),
      delayTimer_(services.newTimer()),
      paused_(cycle.paused()) {
  periodTimer_->setEnabled(false);
  periodTimer_->setHandler([this] { onAutomationTick(); });
  delayTimer_->setEnabled(false);
  delayTimer_->setInterval(30000);
  delayTimer_->setHandler([this] { onAutomationDelayTick(); });
  cycle_.addObserver(*this);
}

Automation::~Automation() {
  cycle_.removeObserver(*this);
}

void Automation::stateChanged() {
  if (cycle_.paused() == paused_) return;
  paused_ = cycle_.paused();
  if (paused_) {
    resumeAfterPause_ = periodTimer_->enabled();
    periodTimer_->setEnabled(false);
  } else {
    if (resumeAfterPause_) periodTimer_->setEnabled(true);
    resumeAfterPause_ = false;
  }
}

int Automation::periodMilliseconds() const {
  const Options& o = options_;
  int unit = o.value(Option::automationUnit);
  if (unit < 0 || unit >= static_cast<int>(std::size(kUnitFactors))) unit = kSeconds;
  // The count's range keeps the product inside 32 bits; a value from elsewhere is
  // held at the largest interval a timer takes.
  const std::int64_t period =
      static_cast<std::int64_t>(o.value(Option::automationPeriod)) * kUnitFactors[unit];
  return static_cast<int>(std::clamp<std::int64_t>(period, 1, INT32_MAX));
}

const std::string& Automation::linkText() const {
  return texts_.get("Timers", showsStop_ ? "Stop" : "Start");
}

void Automation::toggleAutomation() {
  if (periodTimer_->enabled() || delayTimer_->enabled()) {
    stopAutomation();
  } else {
    startAutomation();
  }
}

void Automation::startAutomation() {
  Options& o = options_;
  o.setEnabled(Option::automationPeriod, false);
  o.setEnabled(Option::automationUnit, false);
  showsStop_ = true;
  count_ = 0;
  periodTimer_->setInterval(periodMilliseconds());
  const int delay = o.value(Option::automationDelay);
  if (o.checked(Option::automationDelayed) && delay > 0) {
    delayTimer_->setInterval(delay);
    delayTimer_->setEnabled(true);
  } else {
    periodTimer_->setEnabled(true);
  }
  changed.callAll();
}

void Automation::stopAutomation() {
  periodTimer_->setEnabled(false);
  // A run stopped while the cycle is paused stays stopped at the resume.
  resumeAfterPause_ = false;
  delayTimer_->setEnabled(false);
  options_.setEnabled(Option::automationPeriod, true);
  options_.setEnabled(Option::automationUnit, true);
  count_ = 0;
  showsStop_ = false;
  changed.callAll();
}

void Automation::onAutomationDelayTick() {
  delayTimer_->setEnabled(false);
  periodTimer_->setEnabled(true);
}

void Automation::onAutomationTick() {
  ++count_;
  sendPrintScreen(keyboard_, keys_);
  const Options& o = options_;
  // Presses sent count, not files saved.
  if (o.checked(Option::automationStopAfter) && o.value(Option::automationStopCount) <= count_) {
    stopAutomation();
  }
}

}  // namespace snaprill
