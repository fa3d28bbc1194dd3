// Hotkey values as the desktop's shortcut settings name keys.
#include "backends/portal/shortcut_trigger.h"

#include <gtest/gtest.h>

#include "triggers/virtual_keys.h"

namespace snaprill {
namespace {

TEST(ShortcutTrigger, ModifiersFirstThenTheKeysymName) {
  const struct {
    int value;
    const char* trigger;
  } cases[] = {
      {kVkPrintScreen, "Print"},
      {kVkF12, "F12"},
      {kShortcutAlt | kVkPrintScreen, "ALT+Print"},
      {kShortcutCtrl | kShortcutShift | 'A', "CTRL+SHIFT+a"},
      {kShortcutCtrl | kShortcutAlt | kShortcutShift | '7', "CTRL+ALT+SHIFT+7"},
      {0, ""},     // no key chosen: the desktop asks the user
      {0xFF, ""},  // a code that names no key
  };
  for (const auto& c : cases) EXPECT_EQ(shortcutTrigger(c.value), c.trigger) << c.value;
}

}  // namespace
}  // namespace snaprill
