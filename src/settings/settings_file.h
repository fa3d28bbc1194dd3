// The settings layer: every option of the options model stored in and restored
// from INI-format files, walked from one schema table (options/settings_schema.h),
// together with what a settings file holds beyond the options (the counter, the
// overlay picture file, the autostart entry).
#pragma once

#include <string>

#include "capture/capture_cycle.h"

namespace snaprill {

// Writes the autostart entry, every key of the schema into file, and the overlay
// picture file. The keys replace the file in one step: throws FileError of kind
// SettingsNotWritten ("Unable to write to %s") when it cannot be written, and the
// file then stays as it was.
void saveSettings(CaptureCycle& cycle, const std::string& file);

// Reads file into the options; with full, also the start-up-only keys, the language
// file and the overlay picture. A missing file reads as empty (every default).
void loadSettings(CaptureCycle& cycle, const std::string& file, bool full);

// Points the cycle's settings hooks at the two functions above.
void connectSettings(CaptureCycle& cycle);

// The start-up of the settings: the defaults, the full load of file (the main
// settings file for the program), and the output directory settled.
void loadStartupSettings(CaptureCycle& cycle, const std::string& file);

// The output directory made to end with "/", and replaced by the default when it
// does not exist (any more).
void settleOutputDirectory(CaptureCycle& cycle);

// Immediate writes into the main settings file. Each throws as saveSettings.
// After the font dialog: [Images] TextCol, Font, FontSize.
void writeFontSettings(CaptureCycle& cycle);
// After the directory chooser: [General] OutputDir.
void writeOutputDirSetting(CaptureCycle& cycle);
// After a language file has been chosen: [Language] LangFile.
void writeLanguageFileSetting(CaptureCycle& cycle, const std::string& languageFile);

// The auto-save hotkeys' switch to their option file: the current settings are saved
// into the main settings file, then optionFile, when it names an existing file, is
// loaded with full = false. The capture cycle brings the main settings back.
void switchToOptionFile(CaptureCycle& cycle, const std::string& optionFile);

}  // namespace snaprill
