// Starts programs the way a desktop shell does: detached, without a shell, without
// waiting for them to run; whether a program could be started is answered.
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

// The executable a command name stands for: a name holding "/" as it is, a bare
// name searched on PATH (an empty entry meaning the current folder). Nothing when
// no executable regular file is found.
std::optional<std::string> findExecutable(const std::string& program);

}  // namespace snaprill
