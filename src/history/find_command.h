// snaprill --find WORDS [--since DATE] [--app NAME] [-0]: the paths of the matching
// captures, newest first, one per line (or ended by NUL), for scripts and desktop
// search launchers. Captures whose files are gone are left out.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "history/capture_index.h"

namespace snaprill {

struct FindRequest {
  SearchQuery query;
  bool nullSeparated = false;
};

// The arguments after --find; nothing, with why in problem, when they are wrong.
std::optional<FindRequest> parseFindArguments(const std::vector<std::string>& args,
                                              std::int64_t now, std::string& problem);

// Prints the paths that match; returns how many.
int printFound(CaptureIndex& index, const FindRequest& request, std::ostream& out);

// The whole command with the index at indexPath: exit status 0 when something was
// found, 1 when nothing was (or there is no index yet), 2 for wrong arguments.
int findCommand(const std::vector<std::string>& args, const std::string& indexPath,
                std::ostream& out, std::ostream& err);

}  // namespace snaprill
