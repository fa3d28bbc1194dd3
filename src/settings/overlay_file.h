// The overlay picture file "snaprill.tmp" in the program directory: the overlay
// picture as a Windows bitmap file, one for all settings files.
#pragma once

#include <string>

#include "capture/capture_cycle.h"

namespace snaprill {

std::string overlayFilePath(const CaptureCycle& cycle);

// Replaces the file with the overlay picture (an empty picture gives an empty file).
// Throws FileError when the file cannot be written; the old file then stays.
void saveOverlayFile(const CaptureCycle& cycle);

// Reads the file into the overlay picture when it exists (an empty file gives an
// empty picture). A file that cannot be read leaves the picture as it was, silently.
void loadOverlayFile(CaptureCycle& cycle);

}  // namespace snaprill
