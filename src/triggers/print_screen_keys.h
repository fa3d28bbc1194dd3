// The key sequences that ask the system for a screenshot: Print Screen copies the
// whole screen to the clipboard, Alt+Print Screen the active window.
#pragma once

#include "platform/services.h"

namespace snaprill {

// Print Screen down, then up.
void sendPrintScreen(KeyInjector& keys);
// Alt down, Print Screen down and up, Alt up.
void sendAltPrintScreen(KeyInjector& keys);

}  // namespace snaprill
