// Starts programs the way a desktop shell does: detached, without a shell, without
// waiting for them to run; whether a program could be started is answered (and, for
// help pages, how it ended).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace snaprill {

class ProcessLauncher : public Launcher {
 public:
  // Starts program with the arguments in workingDirectory (the inherited one when
  // it cannot be entered). A name without "/" is looked up on PATH. The program runs
  // in a session of its own and is never waited for; nothing is left behind as a
  // zombie. Returns once the program runs (the system has loaded it), or with false
  // when it cannot be found or the system refuses to run it (not executable, not a
  // program).
  bool start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& workingDirectory) override;
};

// Starts program as ProcessLauncher::start does, and returns a descriptor
// (close-on-exec, owned by the caller) from which one byte can be read once the
// program has ended: its exit status, or 128 + the signal that ended it; the end of
// the file without that byte means it could not be run. -1, with nothing running,
// when the program is not found or cannot be run. The program is still never the
// caller's child: nothing has to wait for it.
int startReportingExit(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingDirectory);

// The executable a command name stands for: a name holding "/" as it is, a bare
// name searched on PATH (an empty entry meaning the current folder). Nothing when
// no executable regular file is found.
std::optional<std::string> findExecutable(const std::string& program);

}  // namespace snaprill
