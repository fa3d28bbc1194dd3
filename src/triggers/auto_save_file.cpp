#include "triggers/auto_save_file.h"

#include <filesystem>
#include <optional>
#include <string>

namespace snaprill {

void autoSaveFileClicked(Options& options, Dialogs& dialogs, Option field, bool leftButton) {
  if (!leftButton) {
    options.setText(field, "");
    return;
  }
  // The dialog opens where the current file is, if there is one.
  const std::string current = options.text(field);
  const std::string folder =
      current.empty() ? std::string() : std::filesystem::path(current).parent_path().string();
  const std::optional<std::string> chosen =
      dialogs.openFile(kAutoSaveFileTitle, kAutoSaveFileFilter, folder);
  if (chosen) options.setText(field, *chosen);
}

}  // namespace snaprill
