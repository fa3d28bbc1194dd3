// A hotkey value as the desktop's shortcut settings write a key: the modifiers, then
// the key's keysym name, joined by "+" ("CTRL+ALT+Print"), the form the global
// shortcuts portal takes as a preferred trigger.
#pragma once

#include <string>

namespace snaprill {

// Empty for a value that names no key (the desktop then lets the user choose one).
std::string shortcutTrigger(int hotkeyValue);

}  // namespace snaprill
