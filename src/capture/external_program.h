// Handing a written file to the program the user chose.
#pragma once

#include <string>
#include <vector>

#include "options/options.h"
#include "platform/services.h"

namespace snaprill {

// Splits the parameter template into arguments and puts path in place of every
// "%filename" and "%shortfilename" (letter case ignored). An unclosed quote runs to
// the end of the text.
std::vector<std::string> expandProgramArguments(const std::string& parameters,
                                                const std::string& path);

// Starts the chosen program on path, detached, in the folder of path (the output
// folder). False when it could not be started.
bool launchExternalProgram(Launcher& launcher, const Options& options, const std::string& path);

}  // namespace snaprill
