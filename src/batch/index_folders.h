// snaprill-batch --index FOLDER...: pictures saved before (or by other programs),
// of any type the readers know, added to the capture history with the words read
// from them; a progress line on standard error while it works.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/program_dir.h"

namespace snaprill {

class Options;
class Texts;

// Returns the exit status: 0 every picture indexed, 1 a picture could not be read
// (said on err as the batch says it: "cannot read picture ..."), the history is
// switched off or cannot be opened. Files that are no pictures at all (a text, the
// gallery's page) are passed over without a word.
int indexFolders(const std::vector<std::string>& folders, const ProgramDirectories& dirs,
                 const Options& options, const Texts& texts, std::ostream& err, bool progressLine);

}  // namespace snaprill
