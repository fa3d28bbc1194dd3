// The options-file fields of the three auto-save rows: they are filled only through
// the open dialog and emptied with any other mouse button.
#pragma once

#include "options/options.h"
#include "platform/services.h"

namespace snaprill {

// The caption and filter of the dialog that chooses an options file.
inline constexpr const char* kAutoSaveFileTitle = "Snaprill";
inline constexpr const char* kAutoSaveFileFilter =
    "Snaprill Autosave Settings (*.snp)|*.snp|All Files (*.*)|*.*";

// A mouse button released on the field of `field` (Option::autoSave1File to 3): the
// left button asks for an existing file and, when one is chosen, puts its path in
// the field; any other button empties the field.
void autoSaveFileClicked(Options& options, Dialogs& dialogs, Option field, bool leftButton);

}  // namespace snaprill
