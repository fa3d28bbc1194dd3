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

// Offers the five hotkeys to the desktop, the user's keys as its suggestions; each
// press the desktop reports runs its hotkey's action. Where the desktop has no global
// shortcuts, the General page says how to bind a capture to a key instead.
std::unique_ptr<GlobalShortcuts> offerDesktopShortcuts(Hotkeys& hotkeys, const Options& options,
                                                       const Texts& texts, OptionPages& pages);

}  // namespace snaprill
