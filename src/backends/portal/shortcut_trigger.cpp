#include "backends/portal/shortcut_trigger.h"

#include <X11/Xlib.h>

#include <optional>

#include "triggers/virtual_keys.h"

namespace snaprill {

std::string shortcutTrigger(int hotkeyValue) {
  const std::optional<unsigned long> keysym = keysymOf(virtualKeyPart(hotkeyValue));
  if (!keysym) return {};
  // Xlib's names of keysyms are xkbcommon's: both come from the same keysym table.
  const char* name = XKeysymToString(*keysym);
  if (name == nullptr) return {};
  std::string trigger;
  if (hotkeyValue & kShortcutCtrl) trigger += "CTRL+";
  if (hotkeyValue & kShortcutAlt) trigger += "ALT+";
  if (hotkeyValue & kShortcutShift) trigger += "SHIFT+";
  return trigger + name;
}

}  // namespace snaprill
