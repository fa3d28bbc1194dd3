#include "triggers/hotkeys.h"

#include <exception>
#include <string>

#include "platform/program_dir.h"
#include "settings/settings_file.h"
#include "triggers/print_screen_keys.h"
#include "triggers/virtual_keys.h"

namespace snaprill {

const std::array<Hotkeys::Slot, 5> Hotkeys::kSlots = {{
    {Option::captureActiveWindowOnKey, Option::activeWindowKey, Action::altPrintScreen, 0},
    {Option::captureScreenOnKey, Option::screenKey, Action::printScreen, 0},
    {Option::autoSave1, Option::autoSave1Key, Action::autoSave, 1},
    {Option::autoSave2, Option::autoSave2Key, Action::autoSave, 2},
    {Option::autoSave3, Option::autoSave3Key, Action::autoSave, 3},
}};

namespace {

constexpr Option kAutoSaveFiles[] = {Option::autoSave1File, Option::autoSave2File,
                                     Option::autoSave3File};

// The two keys of each modifier; the generic code is down when either is.
struct Sides {
  int generic, left, right, bit;
};
constexpr Sides kModifiers[] = {
    {kVkShift, 0xA0, 0xA1, kShortcutShift},
    {kVkControl, 0xA2, 0xA3, kShortcutCtrl},
    {kVkAlt, 0xA4, 0xA5, kShortcutAlt},
};

bool modifiersMatch(int shortcut, int held) {
  const int wanted = shortcut & kShortcutModifiers;
  return wanted == 0 || wanted == held;
}

}  // namespace

Hotkeys::Hotkeys(CaptureCycle& cycle, KeyboardState& keyboard, KeyInjector& keys)
    : cycle_(cycle), keyboard_(keyboard), keys_(keys) {
  cycle_.hotkeyTimer().setHandler([this] { onHotkeyTick(); });
  keyboardWatch_ = keyboard_.changed.add([this] { keysChanged(); });
  for (const Slot& s : kSlots) {
    for (const Option o : {s.enabled, s.key}) {
      optionWatches_.push_back(cycle_.options.watch(o, [this] { wantsTicksChanged.callAll(); }));
    }
  }
}

Hotkeys::~Hotkeys() {
  cycle_.hotkeyTimer().setHandler(nullptr);
  keyboard_.changed.remove(keyboardWatch_);
  for (const Options::WatchId& w : optionWatches_) cycle_.options.unwatch(w);
}

bool Hotkeys::isDown(int virtualKey) const {
  for (const Sides& m : kModifiers) {
    if (virtualKey == m.generic) return isDown(m.left) || isDown(m.right);
  }
  const std::optional<unsigned long> keysym = keysymOf(virtualKey);
  return keysym && keyboard_.isDown(*keysym);
}

int Hotkeys::modifiersHeld() const {
  int held = 0;
  for (const Sides& m : kModifiers) {
    if (isDown(m.generic)) held |= m.bit;
  }
  return held;
}

void Hotkeys::keysChanged() {
  if (cycle_.hotkeyTimer().enabled()) {
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
      if (!cycle_.options.checked(kSlots[i].enabled)) continue;
      Sighting& seen = sightings_[i];
      if (isDown(virtualKeyPart(cycle_.options.value(kSlots[i].key)))) {
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
    if (!cycle_.options.checked(kSlots[i].enabled)) continue;
    if (latches_[i] || sightings_[i].down) return true;
    if (isDown(virtualKeyPart(cycle_.options.value(kSlots[i].key)))) return true;
  }
  return false;
}

void Hotkeys::onHotkeyTick() {
  const bool ignorePress = cycle_.tickRunning();
  // A slot's action may load settings: each slot is read when its turn comes.
  for (std::size_t i = 0; i < kSlots.size(); ++i) {
    if (cycle_.options.checked(kSlots[i].enabled)) examine(i, ignorePress);
  }
  sightings_ = {};
}

void Hotkeys::examine(std::size_t i, bool ignorePress) {
  const Slot& slot = kSlots[i];
  const Sighting seen = sightings_[i];
  const int shortcut = cycle_.options.value(slot.key);
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
  if (!ignorePress && modifiersMatch(shortcut, modifiers)) {
    try {
      act(slot);
    } catch (...) {
      cycle_.handleException(std::current_exception());
    }
  }
  // A press that has already ended leaves the latch clear for the next one.
  if (!downNow) latches_[i] = false;
}

void Hotkeys::act(const Slot& slot) {
  switch (slot.action) {
    case Action::altPrintScreen:
      sendAltPrintScreen(keys_);
      return;
    case Action::printScreen:
      sendPrintScreen(keys_);
      return;
    case Action::autoSave:
      fireAutoSave(slot.row);
      return;
  }
}

void Hotkeys::fireAutoSave(int row) {
  if (row < 1 || row > 3) return;
  Options& options = cycle_.options;
  // Copied: the options file may name other options files.
  const std::string file = options.text(kAutoSaveFiles[row - 1]);
  const std::string main = cycle_.mainSettingsFile();
  // With a restore still waiting, the options in use are another row's, and the main
  // settings file already holds the user's own: saving would put them out for good.
  if (!cycle_.autoSaveRestorePending) saveSettings(cycle_, main);
  if (!file.empty() && isRegularFileOrOther(file)) {
    try {
      loadSettings(cycle_, file, false);
    } catch (...) {
      // Half an options file must not stay in place of the user's settings.
      loadSettings(cycle_, main, false);
      throw;
    }
  }
  if (options.value(Option::outputType) == kAvi) options.setValue(Option::outputType, kGif);
  options.setChecked(Option::saveAnimation, false);
  sendPrintScreen(keys_);
  cycle_.autoSaveRestorePending = true;
}

void Hotkeys::clearLatches() {
  latches_ = {};
  sightings_ = {};
  wantsTicksChanged.callAll();
}

void Hotkeys::suspendHotkeys() {
  cycle_.hotkeyTimer().setEnabled(false);
  sightings_ = {};
}

void Hotkeys::resumeHotkeys() {
  cycle_.hotkeyTimer().setEnabled(true);
}

}  // namespace snaprill
