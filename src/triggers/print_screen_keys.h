// The key sequences that ask the system for a screenshot: Print Screen copies the
// whole screen to the clipboard, Alt+Print Screen the active window.
//
// They go out while the user may hold modifiers: a hotkey's own (Alt+F6), or whatever
// is held when an automation period runs out. Seen together with the sequence, these
// would change what is copied (Alt makes the screen key copy the active window) or
// what another screenshot tool does with it. So the modifier keys held when a sequence
// is sent (Shift, Ctrl, Alt and the Windows keys, each side on its own) go up before
// it and down again after it, in the same batch. What comes back is what went up,
// not what the keyboard state shows by then (our own releases show there too); a
// modifier let go before the sequence is sent stays up.
#pragma once

#include "platform/services.h"

namespace snaprill {

// Print Screen down, then up.
void sendPrintScreen(const KeyboardState& keyboard, KeyInjector& keys);
// Alt down, Print Screen down and up, Alt up.
void sendAltPrintScreen(const KeyboardState& keyboard, KeyInjector& keys);

}  // namespace snaprill
