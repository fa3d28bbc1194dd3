#include "history/index_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace snaprill {

std::string existingIndexPath(const ProgramDirectories& dirs) {
  if (dirs.historyDir.empty()) return {};
  return withTrailingSlash(dirs.historyDir) + kIndexFileName;
}

std::string historyIndexPath(const ProgramDirectories& dirs, std::string* problem) {
  if (dirs.historyDir.empty()) {
    if (problem) *problem = "no folder for the capture history";
    return {};
  }
  const std::string folder = withTrailingSlash(dirs.historyDir);
  const bool existed = isDirectory(folder);
  if (!existed) {
    if (const int error = makeDirectories(folder, 0700); error != 0) {
      if (problem) *problem = folder + ": " + std::strerror(error);
      return {};
    }
  }
  // A folder of its own (not the settings folder of a portable copy, nor
  // SNAPRILL_HOME, which the user chose) is kept private.
  if (!existed) ::chmod(folder.c_str(), 0700);
  return folder + kIndexFileName;
}

bool forgetIndex(const std::string& indexPath) {
  bool gone = true;
  for (const char* suffix : {"", "-wal", "-shm", ".damaged"}) {
    const std::string file = indexPath + suffix;
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) gone = false;
  }
  return gone;
}

}  // namespace snaprill
