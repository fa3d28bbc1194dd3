// The user's choices that change more than one option: the output type picked in
// the type picker, and "Save each image separately" on the GIF page. A settings
// file sets these options as they stand, without these reactions.
#pragma once

#include "options/options.h"
#include "options/texts.h"
#include "platform/services.h"

namespace snaprill {

// The type picker's choice: an AVI file holds an animation only, so choosing AVI
// checks "Save animation".
void chooseOutputType(Options& options, int type);

// "Save each image separately" chosen while AVI is the type: AVI needs an animation,
// so the type becomes GIF, with a notice. Returns whether the type changed.
bool chooseSeparateImages(Options& options, Dialogs& dialogs, const Texts& texts);

}  // namespace snaprill
