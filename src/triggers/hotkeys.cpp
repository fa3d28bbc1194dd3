#include "triggers/hotkeys.h"

#include <exception>
#include <string>

#include "triggers/print_screen_keys.h"
#include "triggers/virtual_keys.h"

namespace snaprill {

const std::array<Hotkeys::Slot, Hotkeys::kSlotCount> Hotkeys::kSlots = {{
    {Option::captureActiveWindowOnKey, Option::activeWindowKey, Action::altPrintScreen, 0},
    {Option::captureScreenOnKey, Option::screenKey, Action::printScreen, 0},
    {Option::autoSave1, Option::autoSave1Key, Action::autoSave, 1},
    {Option::autoSave2, Option::autoSave2Key, Action::autoSave, 2},
    {Option::autoSave3, Option::autoSave3Key, Action::autoSave, 3},
}};

namespace {

constexpr Option kAutoSaveFiles[] = {Option::autoSave1File, Option::autoSave2File,
                                     Option::autoSave3File};

bool modifiersMatch(int shortcut, int held) {
  const int wanted = shortcut & kShortcutModifiers;
  return wanted == 0 || wanted == held;
}

}  // namespace

Hotkeys::Hotkeys(Options& options, CaptureCycle& cycle, CaptureReporter& reporter,
                 SettingsFiles& settings, Platform& services, KeyboardState& keyboard,
                 KeyInjector& keys)
    : options_(options),
      cycle_(cycle),
      reporter_(reporter),
      settings_(settings),
      keyboard_(keyboard),
      keys_(keys),
      timer_(services.newTimer()) {
  timer_->setInterval(1);
  timer_->setHandler([this] { onHotkeyTick(); });
  timer_->setEnabled(cycle_.takingPictures());
  keyboardWatch_ = keyboard_.changed.add([this] { keysChanged(); });
  for (const Slot& s : kSlots) {
    for (const Option o : {s.enabled, s.key}) {
      optionWatches_.push_back(options_.watch(o, [this] { wantsTicksChanged.callAll(); }));
    }
  }
  cycle_.addObserver(*this);
}

Hotkeys::~Hotkeys() {
  cycle_.removeObserver(*this);
  keyboard_.changed.remove(keyboardWatch_);
  for (const Options::WatchId& w : optionWatches_) options_.unwatch(w);
}

void Hotkeys::stateChanged() {
  timer_->setEnabled(cycle_.takingPictures());
  if (!timer_->enabled()) sightings_ = {};
}

bool Hotkeys::isDown(int virtualKey) const {
  for (const ModifierKeys& m : kHotkeyModifiers) {
    if (virtualKey == m.generic) return isDown(m.left) || isDown(m.right);
  }
  const std::optional<unsigned long> keysym = keysymOf(virtualKey);
  return keysym && keyboard_.isDown(*keysym);
}

int Hotkeys::modifiersHeld() const {
  int held = 0;
  for (const ModifierKeys& m : kHotkeyModifiers) {
    if (isDown(m.generic)) held |= m.shortcutBit;
  }
  return held;
}

void Hotkeys::keysChanged() {
  if (timer_->enabled()) {
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
      if (!options_.checked(kSlots[i].enabled)) continue;
      Sighting& seen = sightings_[i];
      if (isDown(virtualKeyPart(options_.value(kSlots[i].key)))) {
        // Down from the press that fired, never released since: not a new press.
        const bool sameHold = latches_[i] && !seen.up;
        if (!sameHold && !seen.down) seen = Sighting{true, seen.up, modifiersHeld()};
      } else if (seen.down || latches_[i]) {
        seen.up = true;
      }
    }
  } else {
    // Presses while the timer is off are never looked at.
    sightings_ = {};
  }
  wantsTicksChanged.callAll();
}

bool Hotkeys::wantsTicks() const {
  for (std::size_t i = 0; i < kSlots.size(); ++i) {
    if (!options_.checked(kSlots[i].enabled)) continue;
    if (latches_[i] || sightings_[i].down) return true;
    if (isDown(virtualKeyPart(options_.value(kSlots[i].key)))) return true;
  }
  return false;
}

void Hotkeys::onHotkeyTick() {
  // A slot's action may load settings: each slot is read when its turn comes.
  for (std::size_t i = 0; i < kSlots.size(); ++i) {
    if (options_.checked(kSlots[i].enabled)) examine(i);
  }
  sightings_ = {};
}

void Hotkeys::examine(std::size_t i) {
  const Slot& slot = kSlots[i];
  const Sighting seen = sightings_[i];
  const int shortcut = options_.value(slot.key);
  const bool downNow = isDown(virtualKeyPart(shortcut));
  // Released since the last tick: a press that follows is a new one.
  if (seen.up) latches_[i] = false;
  if (!downNow && !seen.down) {
    latches_[i] = false;
    return;
  }
  if (latches_[i]) return;  // still held from a press that has fired
  latches_[i] = true;
  const int modifiers = seen.down ? seen.modifiers : modifiersHeld();
  if (modifiersMatch(shortcut, modifiers)) actReportingErrors(slot);
  // A press that has already ended leaves the latch clear for the next one.
  if (!downNow) latches_[i] = false;
}

void Hotkeys::actReportingErrors(const Slot& slot) {
  try {
    act(slot);
  } catch (...) {
    reporter_.reportError(std::current_exception());
  }
}

void Hotkeys::act(const Slot& slot) {
  switch (slot.action) {
    case Action::altPrintScreen:
      sendAltPrintScreen(keyboard_, keys_);
      return;
    case Action::printScreen:
      sendPrintScreen(keyboard_, keys_);
      return;
    case Action::autoSave:
      fireAutoSave(slot.row);
      return;
  }
}

Option Hotkeys::keyOf(std::size_t slot) {
  return kSlots.at(slot).key;
}

void Hotkeys::fireSlot(std::size_t slot) {
  if (slot >= kSlots.size() || !options_.checked(kSlots[slot].enabled)) return;
  if (!timer_->enabled()) return;
  actReportingErrors(kSlots[slot]);
}

void Hotkeys::fireAutoSave(int row) {
  if (row < 1 || row > 3) return;
  settings_.useForOneCapture(options_.text(kAutoSaveFiles[row - 1]));
  if (options_.value(Option::outputType) == kAvi) options_.setValue(Option::outputType, kGif);
  options_.setChecked(Option::saveAnimation, false);
  sendPrintScreen(keyboard_, keys_);
}

void Hotkeys::clearLatches() {
  latches_ = {};
  sightings_ = {};
  wantsTicksChanged.callAll();
}

void Hotkeys::suspendHotkeys() {
  timer_->setEnabled(false);
  sightings_ = {};
}

void Hotkeys::resumeHotkeys() {
  timer_->setEnabled(true);
}

}  // namespace snaprill
