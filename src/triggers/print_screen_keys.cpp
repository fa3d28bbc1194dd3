#include "triggers/print_screen_keys.h"

#include <vector>

#include "triggers/virtual_keys.h"

namespace snaprill {

namespace {

const unsigned long kPrint = *keysymOf(kVkPrintScreen);
const unsigned long kAlt = *keysymOf(kVkAlt);

std::vector<unsigned long> modifierKeysDown(const KeyboardState& keyboard) {
  std::vector<unsigned long> held;
  const auto note = [&](int virtualKey) {
    const unsigned long keysym = *keysymOf(virtualKey);
    if (keyboard.isDown(keysym)) held.push_back(keysym);
  };
  for (const ModifierKeys& m : kHotkeyModifiers) {
    note(m.left);
    note(m.right);
  }
  note(kVkLeftWindows);
  note(kVkRightWindows);
  return held;
}

void sendWithoutModifiers(const KeyboardState& keyboard, KeyInjector& keys,
                          std::span<const KeyStroke> sequence) {
  const std::vector<unsigned long> held = modifierKeysDown(keyboard);
  std::vector<KeyStroke> strokes;
  strokes.reserve(sequence.size() + 2 * held.size());
  for (const unsigned long keysym : held) strokes.push_back({keysym, false});
  strokes.insert(strokes.end(), sequence.begin(), sequence.end());
  for (const unsigned long keysym : held) strokes.push_back({keysym, true});
  keys.send(strokes);
}

}  // namespace

void sendPrintScreen(const KeyboardState& keyboard, KeyInjector& keys) {
  const KeyStroke strokes[] = {{kPrint, true}, {kPrint, false}};
  sendWithoutModifiers(keyboard, keys, strokes);
}

void sendAltPrintScreen(const KeyboardState& keyboard, KeyInjector& keys) {
  const KeyStroke strokes[] = {{kAlt, true}, {kPrint, true}, {kPrint, false}, {kAlt, false}};
  sendWithoutModifiers(keyboard, keys, strokes);
}

}  // namespace snaprill
