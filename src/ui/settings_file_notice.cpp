#include "ui/settings_file_notice.h"

#include <unistd.h>

#include <filesystem>

#include "base/text.h"

namespace snaprill {

std::optional<std::string> settingsFileNotice(const std::string& file, const Texts& texts) {
  namespace fs = std::filesystem;
  std::error_code error;
  // A link is followed, as the settings writes follow it.
  const fs::path target = fs::weakly_canonical(fs::path(file), error);
  if (error) return std::nullopt;
  const auto notice = [&](const char* key) {
    return replaceIgnoringCase(texts.get("Main", key), "%s", file);
  };
  const fs::file_status status = fs::status(target, error);
  if (fs::exists(status)) {
    // Saves read the file before they replace it.
    if (!fs::is_regular_file(status) || ::access(target.c_str(), R_OK) != 0) {
      return notice("SettingsUnreadable");
    }
  }
  // A save writes a new file beside the old one and renames it into place: the
  // folder, not the file, must be writable. The start has made it if it could.
  const fs::path folder = target.parent_path();
  if (!fs::is_directory(folder, error) || ::access(folder.c_str(), W_OK | X_OK) != 0) {
    return notice("SettingsUnwritable");
  }
  return std::nullopt;
}

}  // namespace snaprill
