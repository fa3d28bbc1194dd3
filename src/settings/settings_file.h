// Settings files: every option of the controls model stored in and restored from
// INI-format files, walked from one schema table.
#pragma once

#include <string>

#include "engine/engine.h"

namespace snaprill {

// Writes the autostart entry, the overlay picture file and every key of the schema
// into file. Throws SettingsWriteError ("Unable to write to %s") when a key cannot be
// written; the keys written before it stay written.
void SaveSettings(CaptureEngine& engine, const std::string& file);

// Reads file into the controls; with full, also the start-up-only keys, the language
// file and the overlay picture. A missing file reads as empty (every default).
void LoadSettings(CaptureEngine& engine, const std::string& file, bool full);

// Points the engine's settings hooks at the two functions above.
void connectSettings(CaptureEngine& engine);

}  // namespace snaprill
