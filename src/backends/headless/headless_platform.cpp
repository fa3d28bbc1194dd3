#include "backends/headless/headless_platform.h"

#include <memory>

namespace snaprill::headless {

void ConsoleDialogs::errorBox(const std::string& text) {
  err_ << text << '\n';
}

void ConsoleDialogs::messageBox(const std::string& text) {
  err_ << text << '\n';
}

bool ConsoleDialogs::confirm(const std::string&) {
  return false;
}

Platform HeadlessServices::makePlatform(const ProgramDirectories& dirs, bool launch) {
  return Platform{clipboard,
                  dialogs,
                  tray,
                  clock,
                  launch ? static_cast<Launcher&>(launcher) : noLauncher,
                  [] { return std::unique_ptr<Timer>(std::make_unique<StillTimer>()); },
                  dirs};
}

}  // namespace snaprill::headless
