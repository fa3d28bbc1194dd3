#include "io/file_error.h"

#include <cerrno>
#include <cstring>

namespace snaprill {

std::string fileErrorText(FileErrorKind kind, const std::string& path, const std::string& reason) {
  const std::string quoted = "\"" + path + "\"";
  const std::string because = reason.empty() ? std::string() : ": " + reason;
  switch (kind) {
    case FileErrorKind::NotCreated:
      return "Cannot create file " + quoted + because;
    case FileErrorKind::NotOpened:
      return "Cannot open file " + quoted + because;
    case FileErrorKind::NotRead:
      return "Cannot read file " + quoted + because;
    case FileErrorKind::NotRegularFile:
      return quoted + " is not a regular file";
    case FileErrorKind::TooLargeToRead:
      return "File " + quoted + " is too large";
    case FileErrorKind::SettingsNotWritten:
      return "Unable to write to " + path;
  }
  return "Cannot use file " + quoted + because;
}

FileError::FileError(FileErrorKind kind, const std::string& path, int systemError)
    : FileError(kind, path, systemError != 0 ? std::strerror(systemError) : std::string()) {
  systemError_ = systemError;
}

std::string FileError::reasonBeyondDiskFull() const {
  switch (systemError_) {
    case 0:
    case ENOSPC:
    case EDQUOT:
    case EROFS:
    case EFBIG:
      return std::string();
    default:
      return reason_;
  }
}

}  // namespace snaprill
