// The overlay picture file "snaprill.tmp" in the settings folder: the overlay
// picture as a Windows bitmap file, one for all settings files.
#pragma once

#include <string>

#include "capture/overlay_picture.h"

namespace snaprill {

std::string overlayFilePath(const std::string& configDir);

// Replaces the file with the overlay picture (an empty picture gives an empty file).
// Throws FileError when the file cannot be written; the old file then stays.
void saveOverlayFile(const OverlayPicture& overlay, const std::string& configDir);

// Reads the file into the overlay picture when it exists (an empty file gives an
// empty picture). A file that cannot be read leaves the picture as it was, silently.
void loadOverlayFile(OverlayPicture& overlay, const std::string& configDir);

}  // namespace snaprill
