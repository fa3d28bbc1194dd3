#include "triggers/virtual_keys.h"

#include <cstdio>
#include <vector>

namespace snaprill {

namespace {

// Keysym values from X's keysym list; tests check each against its name.
constexpr unsigned long kXF86 = 0x1008FF00;

std::vector<VirtualKey> buildTable() {
  std::vector<VirtualKey> t = {
      {0x03, 0xFF69, "Cancel", "Cancel"},
      {0x08, 0xFF08, "BackSpace", "Backspace"},
      {0x09, 0xFF09, "Tab", "Tab"},
      {0x0C, 0xFF0B, "Clear", "Clear"},
      {0x0D, 0xFF0D, "Return", "Return"},
      {kVkShift, 0xFFE1, "Shift_L", "Shift"},
      {kVkControl, 0xFFE3, "Control_L", "Control"},
      {kVkAlt, 0xFFE9, "Alt_L", "Alt"},
      {0x13, 0xFF13, "Pause", "Pause"},
      {0x14, 0xFFE5, "Caps_Lock", "CapsLock"},
      {0x1B, 0xFF1B, "Escape", "Esc"},
      {0x20, 0x0020, "space", "Space"},
      {0x21, 0xFF55, "Prior", "PgUp"},
      {0x22, 0xFF56, "Next", "PgDown"},
      {0x23, 0xFF57, "End", "End"},
      {0x24, 0xFF50, "Home", "Home"},
      {0x25, 0xFF51, "Left", "Left"},
      {0x26, 0xFF52, "Up", "Up"},
      {0x27, 0xFF53, "Right", "Right"},
      {0x28, 0xFF54, "Down", "Down"},
      {0x29, 0xFF60, "Select", "Select"},
      {0x2B, 0xFF62, "Execute", "Execute"},
      {kVkPrintScreen, 0xFF61, "Print", "Print"},
      {0x2D, 0xFF63, "Insert", "Ins"},
      {0x2E, 0xFFFF, "Delete", "Del"},
      {0x2F, 0xFF6A, "Help", "Help"},
      {0x5B, 0xFFEB, "Super_L", "Meta"},
      {0x5C, 0xFFEC, "Super_R", "Meta"},
      {0x5D, 0xFF67, "Menu", "Menu"},
      {0x5F, kXF86 + 0x2F, "XF86Sleep", "Sleep"},
      {0x6A, 0xFFAA, "KP_Multiply", "Num+*"},
      {0x6B, 0xFFAB, "KP_Add", "Num++"},
      {0x6C, 0xFFAC, "KP_Separator", "Num+,"},
      {0x6D, 0xFFAD, "KP_Subtract", "Num+-"},
      {0x6E, 0xFFAE, "KP_Decimal", "Num+."},
      {0x6F, 0xFFAF, "KP_Divide", "Num+/"},
      {0x90, 0xFF7F, "Num_Lock", "NumLock"},
      {0x91, 0xFF14, "Scroll_Lock", "ScrollLock"},
      {0xA0, 0xFFE1, "Shift_L", "Shift"},
      {0xA1, 0xFFE2, "Shift_R", "Shift"},
      {0xA2, 0xFFE3, "Control_L", "Control"},
      {0xA3, 0xFFE4, "Control_R", "Control"},
      {0xA4, 0xFFE9, "Alt_L", "Alt"},
      {0xA5, 0xFFEA, "Alt_R", "Alt"},
      {0xA6, kXF86 + 0x26, "XF86Back", "Back"},
      {0xA7, kXF86 + 0x27, "XF86Forward", "Forward"},
      {0xA8, kXF86 + 0x29, "XF86Refresh", "Refresh"},
      {0xA9, kXF86 + 0x28, "XF86Stop", "Stop"},
      {0xAA, kXF86 + 0x1B, "XF86Search", "Search"},
      {0xAB, kXF86 + 0x30, "XF86Favorites", "Favorites"},
      {0xAC, kXF86 + 0x18, "XF86HomePage", "Home Page"},
      {0xAD, kXF86 + 0x12, "XF86AudioMute", "Volume Mute"},
      {0xAE, kXF86 + 0x11, "XF86AudioLowerVolume", "Volume Down"},
      {0xAF, kXF86 + 0x13, "XF86AudioRaiseVolume", "Volume Up"},
      {0xB0, kXF86 + 0x17, "XF86AudioNext", "Media Next"},
      {0xB1, kXF86 + 0x16, "XF86AudioPrev", "Media Previous"},
      {0xB2, kXF86 + 0x15, "XF86AudioStop", "Media Stop"},
      {0xB3, kXF86 + 0x14, "XF86AudioPlay", "Media Play"},
      {0xB4, kXF86 + 0x19, "XF86Mail", "Launch Mail"},
      {0xB5, kXF86 + 0x32, "XF86AudioMedia", "Launch Media"},
      {0xB6, kXF86 + 0x40, "XF86Launch0", "Launch (0)"},
      {0xB7, kXF86 + 0x41, "XF86Launch1", "Launch (1)"},
      // The punctuation keys as a US keyboard labels them.
      {0xBA, 0x003B, "semicolon", ";"},
      {0xBB, 0x003D, "equal", "="},
      {0xBC, 0x002C, "comma", ","},
      {0xBD, 0x002D, "minus", "-"},
      {0xBE, 0x002E, "period", "."},
      {0xBF, 0x002F, "slash", "/"},
      {0xC0, 0x0060, "grave", "`"},
      {0xDB, 0x005B, "bracketleft", "["},
      {0xDC, 0x005C, "backslash", "\\"},
      {0xDD, 0x005D, "bracketright", "]"},
      {0xDE, 0x0027, "apostrophe", "'"},
      {0xE2, 0x003C, "less", "<"},
  };
  for (int i = 0; i < 10; ++i) {
    const std::string digit(1, static_cast<char>('0' + i));
    t.push_back({0x30 + i, 0x30ul + static_cast<unsigned long>(i), digit, digit});
    t.push_back(
        {0x60 + i, 0xFFB0ul + static_cast<unsigned long>(i), "KP_" + digit, "Num+" + digit});
  }
  for (int i = 0; i < 26; ++i) {
    // X names letter keys by their lower-case symbol.
    t.push_back({0x41 + i, 0x61ul + static_cast<unsigned long>(i),
                 std::string(1, static_cast<char>('a' + i)),
                 std::string(1, static_cast<char>('A' + i))});
  }
  for (int i = 0; i < 24; ++i) {
    // Appended rather than "F" + to_string(): GCC 12's optimiser warns (-Wrestrict)
    // about that form in Release builds, wrongly.
    std::string name = "F";
    name += std::to_string(i + 1);
    t.push_back({0x70 + i, 0xFFBEul + static_cast<unsigned long>(i), name, name});
  }
  return t;
}

const std::vector<VirtualKey>& table() {
  static const std::vector<VirtualKey> t = buildTable();
  return t;
}

// Symbols that stand for a key of the table without being its first symbol: what a
// key gives with Shift on a US keyboard, and the keypad without Num Lock.
struct Alias {
  unsigned long keysym;
  int code;
};
constexpr Alias kAliases[] = {
    {0x0021, 0x31}, {0x0040, 0x32}, {0x0023, 0x33}, {0x0024, 0x34}, {0x0025, 0x35}, {0x005E, 0x36},
    {0x0026, 0x37}, {0x002A, 0x38}, {0x0028, 0x39}, {0x0029, 0x30}, {0x003A, 0xBA}, {0x002B, 0xBB},
    {0x005F, 0xBD}, {0x003F, 0xBF}, {0x007E, 0xC0}, {0x007B, 0xDB}, {0x007C, 0xDC}, {0x007D, 0xDD},
    {0x0022, 0xDE}, {0x003E, 0xE2}, {0xFF9E, 0x2D},  // KP_Insert
    {0xFF9F, 0x2E},                                  // KP_Delete
    {0xFF9C, 0x23},                                  // KP_End
    {0xFF99, 0x28},                                  // KP_Down
    {0xFF9B, 0x22},                                  // KP_Next
    {0xFF96, 0x25},                                  // KP_Left
    {0xFF9D, 0x0C},                                  // KP_Begin
    {0xFF98, 0x27},                                  // KP_Right
    {0xFF95, 0x24},                                  // KP_Home
    {0xFF97, 0x26},                                  // KP_Up
    {0xFF9A, 0x21},                                  // KP_Prior
    {0xFF8D, 0x0D},                                  // KP_Enter
    {0xFF15, 0x2C},                                  // Sys_Req: Print with Alt held
};

}  // namespace

std::span<const VirtualKey> virtualKeyTable() {
  return table();
}

std::optional<unsigned long> keysymOf(int virtualKey) {
  const int code = virtualKeyPart(virtualKey);
  for (const VirtualKey& k : table()) {
    if (k.code == code) return k.keysym;
  }
  return std::nullopt;
}

int virtualKeyOf(unsigned long keysym) {
  // Upper-case letters are the shifted symbols of the letter keys.
  if (keysym >= 0x41 && keysym <= 0x5A) return static_cast<int>(keysym);
  for (const VirtualKey& k : table()) {
    // The generic modifier codes come first in the table, but a key is one side.
    if (k.keysym == keysym && k.code != kVkShift && k.code != kVkControl && k.code != kVkAlt) {
      return k.code;
    }
  }
  for (const Alias& a : kAliases) {
    if (a.keysym == keysym) return a.code;
  }
  return 0;
}

std::string shortcutText(int shortcut) {
  if (shortcut == 0) return "";
  std::string text;
  if (shortcut & kShortcutCtrl) text += "Ctrl+";
  if (shortcut & kShortcutAlt) text += "Alt+";
  if (shortcut & kShortcutShift) text += "Shift+";
  const int code = virtualKeyPart(shortcut);
  for (const VirtualKey& k : table()) {
    if (k.code == code) return text + k.qtName;
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", code);
  return text + hex;
}

}  // namespace snaprill
