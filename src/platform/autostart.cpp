#include "platform/autostart.h"

#include <unistd.h>

#include <filesystem>
#include <string_view>
#include <system_error>

#include "io/atomic_file.h"
#include "platform/program_dir.h"

namespace snaprill {

namespace {

// One argument of an Exec line: quoted when it holds a reserved character, with
// ", `, $ and \ escaped inside the quotes.
std::string execArgument(std::string_view arg) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  if (arg.find_first_of(kReserved) == std::string_view::npos) return std::string(arg);
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A value of type string: backslashes and control characters escaped, and "%"
// doubled because Exec gives it the meaning of a field code.
std::string execValue(std::string_view command) {
  std::string out;
  for (char c : command) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '%':
        out += "%%";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string autostartEntryPath() {
  const std::string config = userConfigHome();
  return config.empty() ? std::string() : config + "/autostart/snaprill.desktop";
}

std::string autostartEntryText(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Snaprill\n"
         "Comment=Saves clipboard screenshots as numbered image files\n"
         "Exec=" +
         execValue(execArgument(executablePath)) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

void setAutostart(bool enabled, const std::string& executablePath) {
  const std::string entry = autostartEntryPath();
  if (entry.empty()) return;
  std::error_code ec;
  if (!enabled) {
    std::filesystem::remove(entry, ec);
    return;
  }
  if (executablePath.empty()) return;
  std::filesystem::create_directories(std::filesystem::path(entry).parent_path(), ec);
  const std::string text = autostartEntryText(executablePath);
  try {
    writeFileAtomically(entry, text.data(), text.size());
  } catch (const std::exception&) {
    // As an unopenable registry key: the entry stays as it was.
  }
}

}  // namespace snaprill
