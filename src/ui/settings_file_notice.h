// The start's word on the main settings file when it cannot be used: read at start,
// written at the close and after some choices. The user has done nothing yet, so it
// is a line in the status bar rather than a box.
#pragma once

#include <optional>
#include <string>

#include "options/texts.h"

namespace snaprill {

// Nothing when file can be read and replaced, or does not exist yet in a folder that
// can be written. Otherwise the notice, naming the file: it cannot be read (not a
// regular file, no permission; no save can replace it either), or its folder is not
// there or cannot be written.
std::optional<std::string> settingsFileNotice(const std::string& file, const Texts& texts);

}  // namespace snaprill
