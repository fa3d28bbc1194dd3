// The five hotkeys, looked at on every tick of the capture cycle's hotkey timer, in
// this order: active window (Alt+Print Screen), whole screen (Print Screen), and the
// three auto-save rows, each of which switches to the options of a settings file of
// its own for exactly one capture. A slot counts only while its box is checked.
//
// Each slot has a latch: a key that is down fires once and then not again until it
// has been seen up, however long it is held. Nothing fires while the timer is off
// (the capture cycle paused or at the end of its numbers, a key field with the
// focus).
//
// The key table is kept by events, so a press that came and went between two ticks
// is not lost: the tick sees it down once. The timer needs to tick only while a key
// of a checked slot is down or a latch waits to see its key up (wantsTicks()); the
// program gates it on that, so that nothing runs while no hotkey is pressed.
//
// A hotkey without modifier bits fires whatever modifiers are held with it. One with
// modifier bits fires when its key goes down while exactly those modifiers (of Shift,
// Ctrl and Alt) are held.
#pragma once

#include <array>
#include <vector>

#include "base/callbacks.h"
#include "capture/capture_cycle.h"
#include "capture/capture_reporter.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace snaprill {

class Hotkeys : private CaptureObserver {
 public:
  // Its timer ticks every millisecond while on (and, on the desktop, only while
  // wantsTicks()); everything given outlives the hotkeys.
  Hotkeys(Options& options, CaptureCycle& cycle, CaptureReporter& reporter, SettingsFiles& settings,
          Platform& services, KeyboardState& keyboard, KeyInjector& keys);
  ~Hotkeys() override;
  Hotkeys(const Hotkeys&) = delete;
  Hotkeys& operator=(const Hotkeys&) = delete;

  Timer& timer() { return *timer_; }
  // One tick of the hotkey timer. A key seen while captures are being written acts
  // at once: its picture waits for them, not the user (the settings of an auto-save
  // capture give way to the user's own as soon as it is taken).
  void onHotkeyTick();
  // All latches clear, as at start-up once the settings are loaded.
  void clearLatches();
  // The key fields' focus rule: while one has the focus its keys only edit it;
  // leaving it starts the hotkeys again, even while the capture cycle is paused.
  void suspendHotkeys();
  void resumeHotkeys();

  // Whether a tick could do anything now: see above.
  bool wantsTicks() const;
  // Told whenever wantsTicks() may have changed.
  Callbacks wantsTicksChanged;

  // An auto-save press of row 1, 2 or 3: the current settings saved to the main
  // settings file, the row's options file loaded (when it names an existing file),
  // AVI turned into GIF, single images chosen and Print Screen sent; the main
  // settings come back once that capture is over (SettingsFiles::useForOneCapture).
  void fireAutoSave(int row);

  // The slots in the order above, for a desktop that reports presses of its own
  // global shortcuts: how many, and which option holds each slot's key.
  static constexpr std::size_t kSlotCount = 5;
  static Option keyOf(std::size_t slot);
  // A press the desktop reported whole: runs the slot's action as its key would, while
  // its box is checked and the hotkeys are on (the same pause and key-field rules).
  void fireSlot(std::size_t slot);

 private:
  enum class Action { altPrintScreen, printScreen, autoSave };
  struct Slot {
    Option enabled;
    Option key;
    Action action;
    int row;  // 1..3 for the auto-save rows
  };
  // What the key events showed since the last tick.
  struct Sighting {
    bool down = false;
    bool up = false;
    int modifiers = 0;  // held when it was first seen down
  };
  static const std::array<Slot, kSlotCount> kSlots;

  bool isDown(int virtualKey) const;
  int modifiersHeld() const;
  void keysChanged();
  // The cycle paused, resumed or ran out of numbers.
  void stateChanged() override;
  void examine(std::size_t slot);
  void act(const Slot& slot);
  // Errors of an action go to the reporter, which tells the user.
  void actReportingErrors(const Slot& slot);

  Options& options_;
  CaptureCycle& cycle_;
  CaptureReporter& reporter_;
  SettingsFiles& settings_;
  KeyboardState& keyboard_;
  KeyInjector& keys_;
  std::array<bool, kSlotCount> latches_{};
  std::array<Sighting, kSlotCount> sightings_{};
  Callbacks::Id keyboardWatch_ = 0;
  std::vector<Options::WatchId> optionWatches_;
  std::unique_ptr<Timer> timer_;
};

}  // namespace snaprill
