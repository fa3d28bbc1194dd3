// The triggers layer: the hotkeys, the automation timers and the virtual-key codes
// they store.
//
// Virtual keys: the settings files keep a hotkey as a 16-bit value, the
// virtual-key code of its key in the low byte and its modifiers in the high bits,
// as Windows programs have always written them. The desktop names keys by X
// keysyms, and the key fields show them with Qt's key names. This table translates
// between the three, for every key a hotkey field can hold: F1 to F24, letters,
// digits, the keypad, Print, Pause, Scroll Lock, the editing and arrow keys, the
// punctuation keys of a US keyboard, the browser and media keys, and the modifiers.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace snaprill {

// Modifier bits of a hotkey value.
inline constexpr int kShortcutShift = 0x2000;
inline constexpr int kShortcutCtrl = 0x4000;
inline constexpr int kShortcutAlt = 0x8000;
inline constexpr int kShortcutModifiers = kShortcutShift | kShortcutCtrl | kShortcutAlt;

// A few virtual-key codes the program itself uses.
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkAlt = 0x12;
inline constexpr int kVkPrintScreen = 0x2C;
inline constexpr int kVkF11 = 0x7A;
inline constexpr int kVkF12 = 0x7B;
// The Windows keys (Super on X): modifiers that no hotkey value names.
inline constexpr int kVkLeftWindows = 0x5B;
inline constexpr int kVkRightWindows = 0x5C;

// The modifiers a hotkey value names, each with the codes of its left and right keys
// (a key is one side; the generic code is down while either is).
struct ModifierKeys {
  int generic;
  int left;
  int right;
  int shortcutBit;
};
inline constexpr ModifierKeys kHotkeyModifiers[] = {
    {kVkShift, 0xA0, 0xA1, kShortcutShift},
    {kVkControl, 0xA2, 0xA3, kShortcutCtrl},
    {kVkAlt, 0xA4, 0xA5, kShortcutAlt},
};

// The virtual-key code of a hotkey value (its low byte).
inline int virtualKeyPart(int shortcut) {
  return shortcut & 0xFF;
}

// The keysym of a virtual-key code (the low byte counts), or nothing for a code that
// names no key here. The generic Shift, Ctrl and Alt codes give the left-hand key.
std::optional<unsigned long> keysymOf(int virtualKey);

// The virtual-key code of a keysym; 0 for a keysym that no code stands for. Shifted
// symbols and the keypad's keys without Num Lock give the code of their key
// ("A" and "a" both 0x41, "exclam" 0x31, KP_Insert Insert's 0x2D).
int virtualKeyOf(unsigned long keysym);

// A hotkey value as Qt writes a shortcut: "Ctrl+Alt+Shift+F5", "Num+7", "Print";
// "" for 0, "0xNN" for a code that names no key here.
std::string shortcutText(int shortcut);

// One key of the table. The X name is the keysym's name in X's keysym list.
struct VirtualKey {
  int code;
  unsigned long keysym;
  std::string xName;
  std::string qtName;
};
std::span<const VirtualKey> virtualKeyTable();

}  // namespace snaprill
