// Starting with the user's login: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/snaprill.desktop (~/.config when the variable is unset,
// not absolute or names a folder that other users may change: see
// userConfigHome()), whose Exec line starts the executable without arguments.
#pragma once

#include <string>

namespace snaprill {

// The path of the entry, or "" when no config folder can be found.
std::string autostartEntryPath();

// The whole text of the entry for executablePath.
std::string autostartEntryText(const std::string& executablePath);

// Writes the entry (enabled) or removes it (disabled). Failures leave things as they
// were and are not reported, as an unopenable registry key is skipped. An empty
// executablePath writes nothing.
void setAutostart(bool enabled, const std::string& executablePath);

}  // namespace snaprill
