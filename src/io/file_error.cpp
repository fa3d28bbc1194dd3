#include "io/file_error.h"

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

}  // namespace snaprill
