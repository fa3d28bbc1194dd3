// Where the capture history's index lives (ProgramDirectories::historyDir), and
// forgetting it.
#pragma once

#include <string>

#include "platform/program_dir.h"

namespace snaprill {

inline constexpr const char* kIndexFileName = "history.sqlite";

// The index's path, its folder made private to the user (0700) when missing; empty,
// with why in problem, when there is no such folder or it cannot be made.
std::string historyIndexPath(const ProgramDirectories& dirs, std::string* problem = nullptr);

// The index's path without making anything (for readers: snaprill --find).
std::string existingIndexPath(const ProgramDirectories& dirs);

// Deletes the index with its log files and a damaged copy kept aside. Returns
// whether nothing of it is left.
bool forgetIndex(const std::string& indexPath);

}  // namespace snaprill
