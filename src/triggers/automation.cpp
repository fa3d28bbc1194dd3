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

Automation::Automation(CaptureCycle& cycle, KeyInjector& keys)
    : cycle_(cycle), keys_(keys), delayTimer_(cycle.platform.newTimer()) {
  cycle_.automationTimer().setEnabled(false);
  cycle_.automationTimer().setHandler([this] { onAutomationTick(); });
  delayTimer_->setEnabled(false);
  delayTimer_->setInterval(30000);
  delayTimer_->setHandler([this] { onAutomationDelayTick(); });
}

Automation::~Automation() {
  cycle_.automationTimer().setHandler(nullptr);
}

int Automation::periodMilliseconds() const {
  const Options& o = cycle_.options;
  int unit = o.value(Option::automationUnit);
  if (unit < 0 || unit >= static_cast<int>(std::size(kUnitFactors))) unit = kSeconds;
  // The count's range keeps the product inside 32 bits; a value from elsewhere is
  // held at the largest interval a timer takes.
  const std::int64_t period =
      static_cast<std::int64_t>(o.value(Option::automationPeriod)) * kUnitFactors[unit];
  return static_cast<int>(std::clamp<std::int64_t>(period, 1, INT32_MAX));
}

const std::string& Automation::linkText() const {
  return cycle_.texts.get("Timers", showsStop_ ? "Stop" : "Start");
}

void Automation::toggleAutomation() {
  if (cycle_.automationTimer().enabled() || delayTimer_->enabled()) {
    stopAutomation();
  } else {
    startAutomation();
  }
}

void Automation::startAutomation() {
  Options& o = cycle_.options;
  o.setEnabled(Option::automationPeriod, false);
  o.setEnabled(Option::automationUnit, false);
  showsStop_ = true;
  count_ = 0;
  cycle_.automationTimer().setInterval(periodMilliseconds());
  const int delay = o.value(Option::automationDelay);
  if (o.checked(Option::automationDelayed) && delay > 0) {
    delayTimer_->setInterval(delay);
    delayTimer_->setEnabled(true);
  } else {
    cycle_.automationTimer().setEnabled(true);
  }
  changed.callAll();
}

void Automation::stopAutomation() {
  cycle_.automationTimer().setEnabled(false);
  delayTimer_->setEnabled(false);
  cycle_.options.setEnabled(Option::automationPeriod, true);
  cycle_.options.setEnabled(Option::automationUnit, true);
  count_ = 0;
  showsStop_ = false;
  changed.callAll();
}

void Automation::onAutomationDelayTick() {
  delayTimer_->setEnabled(false);
  cycle_.automationTimer().setEnabled(true);
}

void Automation::onAutomationTick() {
  ++count_;
  sendPrintScreen(keys_);
  const Options& o = cycle_.options;
  // Presses sent count, not files saved.
  if (o.checked(Option::automationStopAfter) && o.value(Option::automationStopCount) <= count_) {
    stopAutomation();
  }
}

}  // namespace snaprill
