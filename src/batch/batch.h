// snaprill-batch: the capture cycle run on picture files instead of the clipboard,
// on the headless platform.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace snaprill {

// Runs the batch program with argv-style arguments (without the program name).
// Returns the exit status: 0 every picture read and saved, 1 a picture could not be
// read, a file could not be written or a capture was dropped with no number left,
// 2 wrong usage. An external program that could not be started is told on `err`
// and changes nothing: the picture was saved. With --gallery OUT the pictures are
// only named in a gallery page: 0 written, 1 OUT could not be written.
int runBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace snaprill
