// The hotkey values of settings files against X keysyms and the names the key fields
// show.
#include "triggers/virtual_keys.h"

#include <gtest/gtest.h>

#include <set>

#ifdef SNAPRILL_HAVE_XLIB
#include <X11/Xlib.h>
#endif

namespace snaprill {
namespace {

TEST(VirtualKeys, EveryKeyOfTheTableTranslatesBothWays) {
  std::set<int> codes;
  for (const VirtualKey& k : virtualKeyTable()) {
    EXPECT_TRUE(codes.insert(k.code).second) << "code listed twice: " << k.code;
    EXPECT_EQ(keysymOf(k.code), k.keysym) << k.xName;
#ifdef SNAPRILL_HAVE_XLIB
    // A wrong digit in the table would bind a hotkey to another key.
    EXPECT_EQ(XStringToKeysym(k.xName.c_str()), k.keysym) << k.xName;
#endif
    // A key is one side: the generic modifiers read back as the left-hand key's code.
    const int expected = k.code == kVkShift     ? 0xA0
                         : k.code == kVkControl ? 0xA2
                         : k.code == kVkAlt     ? 0xA4
                                                : k.code;
    EXPECT_EQ(virtualKeyOf(k.keysym), expected) << k.xName;
  }
  // The keys the settings defaults and the key sequences use.
  EXPECT_EQ(keysymOf(kVkF11), 0xFFC8u);
  EXPECT_EQ(keysymOf(kVkF12), 0xFFC9u);
  EXPECT_EQ(keysymOf(kVkPrintScreen), 0xFF61u);
  EXPECT_EQ(keysymOf(kVkAlt), 0xFFE9u);
  // Only the low byte names the key.
  EXPECT_EQ(keysymOf(kShortcutCtrl | kShortcutAlt | kVkF12), keysymOf(kVkF12));
  EXPECT_EQ(keysymOf(0), std::nullopt);
  EXPECT_EQ(keysymOf(0x07), std::nullopt);
}

TEST(VirtualKeys, ShiftedSymbolsAndTheKeypadWithoutNumLockNameTheirKey) {
  EXPECT_EQ(virtualKeyOf('A'), 0x41);
  EXPECT_EQ(virtualKeyOf('a'), 0x41);
  EXPECT_EQ(virtualKeyOf('!'), 0x31);
  EXPECT_EQ(virtualKeyOf(')'), 0x30);
  EXPECT_EQ(virtualKeyOf(':'), 0xBA);
  EXPECT_EQ(virtualKeyOf(0xFF9E), 0x2D);            // KP_Insert: Insert
  EXPECT_EQ(virtualKeyOf(0xFFB7), 0x67);            // KP_7: Num 7
  EXPECT_EQ(virtualKeyOf(0xFF15), kVkPrintScreen);  // Sys_Req: Print with Alt held
  EXPECT_EQ(virtualKeyOf(0xFFE2), 0xA1);            // Shift_R
  EXPECT_EQ(virtualKeyOf(0x20AC), 0);               // EuroSign: no key of its own
}

TEST(VirtualKeys, ShortcutsReadAsQtWritesThem) {
  EXPECT_EQ(shortcutText(0), "");
  EXPECT_EQ(shortcutText(kVkF12), "F12");
  EXPECT_EQ(shortcutText(0x87), "F24");
  EXPECT_EQ(shortcutText(kVkPrintScreen), "Print");
  EXPECT_EQ(shortcutText(0x91), "ScrollLock");
  EXPECT_EQ(shortcutText(0x67), "Num+7");
  EXPECT_EQ(shortcutText(kShortcutShift | kShortcutCtrl | kShortcutAlt | 0x74),
            "Ctrl+Alt+Shift+F5");
  EXPECT_EQ(shortcutText(kShortcutCtrl | 'S'), "Ctrl+S");
  EXPECT_EQ(shortcutText(kShortcutAlt | 0x07), "Alt+0x07");
}

}  // namespace
}  // namespace snaprill
