#include "ui/platform_choice.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>
#include <cstring>

namespace snaprill {

PlatformChoice choosePlatform(const PlatformContext& context) {
  if (!context.userChoice.empty()) {
    // Qt would end the program with an abort where its X11 platform cannot connect.
    if (isX11Platform(context.userChoice)) return {"", context.xDisplayProblem()};
    return {};
  }
  std::string problem = context.xDisplayProblem();
  if (problem.empty()) return {"xcb", ""};
  if (context.waylandSession) {
    // The picture of --capture comes from the compositor on a connection of its own.
    if (!context.window) return {"offscreen", ""};
    if (context.waylandPlugin) return {"wayland", ""};
    problem += " (and Qt's Wayland platform, package qt6-wayland, is not installed)";
  }
  return {"", problem};
}

std::string userPlatformChoice(int argc, char* argv[], const char* variable) {
  for (int i = argc - 2; i >= 1; --i) {
    // Qt reads --platform as -platform; a later one wins.
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return argv[i + 1];
    }
  }
  return variable != nullptr ? variable : "";
}

bool isX11Platform(const std::string& name) {
  const std::string first = name.substr(0, name.find(';'));
  return first.substr(0, first.find(':')) == "xcb";
}

bool waylandPluginInstalled() {
  // Where Qt looks for plugins: QT_PLUGIN_PATH's folders, then its own.
  QStringList folders =
      qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
  folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
  for (const QString& folder : folders) {
    if (QFileInfo::exists(folder + QStringLiteral("/platforms/libqwayland-generic.so"))) {
      return true;
    }
  }
  return false;
}

QtArguments::QtArguments(int argc, char* argv[], const std::string& platform)
    : platform_(platform) {
  pointers_.assign(argv, argv + argc);
  if (!platform_.empty()) {
    pointers_.push_back(option_.data());
    pointers_.push_back(platform_.data());
  }
  argc_ = static_cast<int>(pointers_.size());
  pointers_.push_back(nullptr);
}

}  // namespace snaprill
