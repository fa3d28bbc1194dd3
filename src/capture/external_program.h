// The external program's arguments.
#pragma once

#include <string>
#include <vector>

namespace snaprill {

// Splits the parameter template into arguments and puts path in place of every
// "%filename" and "%shortfilename" (letter case ignored). An unclosed quote runs to
// the end of the text.
std::vector<std::string> expandProgramArguments(const std::string& parameters,
                                                const std::string& path);

}  // namespace snaprill
