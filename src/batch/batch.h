// snaprill-batch: the capture cycle run on picture files instead of the clipboard,
// on the headless platform.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace snaprill {

// Runs the batch program with argv-style arguments (without the program name).
// Returns the exit status: 0 every picture read and handled, 1 a picture could not be
// read or a file could not be written, 2 wrong usage. With --gallery OUT the pictures
// are only named in a gallery page: 0 written, 1 OUT could not be written.
int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace snaprill
