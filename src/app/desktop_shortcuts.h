// In a Wayland session the desktop's global shortcuts stand in for the X11 hotkeys,
// which Xwayland lets a program hear only while one of its own windows has the focus.
#pragma once

#include <memory>

#include "backends/portal/global_shortcuts.h"
#include "options/options.h"
#include "options/texts.h"
#include "triggers/hotkeys.h"
#include "ui/option_pages.h"

namespace snaprill {

// The General page's note for the shortcuts' state (a [Main] language key), or
// nullptr where they work or are still being asked for.
const char* shortcutsNote(GlobalShortcuts::State state);

// Offers the five hotkeys to the desktop, the user's keys as its suggestions; each
// press the desktop reports runs its hotkey's action. Where the shortcuts do not work
// (yet), the General page says why: the desktop has none, waits for the user's
// confirmation, knows no desktop file of the program, or they were declined.
std::unique_ptr<GlobalShortcuts> offerDesktopShortcuts(Hotkeys& hotkeys, const Options& options,
                                                       const Texts& texts, OptionPages& pages);

}  // namespace snaprill
