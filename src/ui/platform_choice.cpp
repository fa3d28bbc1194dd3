#include "ui/platform_choice.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

#include <cstdlib>
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

bool waylandDisplayReachable() {
  // A connection handed over by the compositor that started the program.
  if (std::getenv("WAYLAND_SOCKET") != nullptr) return true;
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  std::string path = name;
  if (path.front() != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr) return false;
    path = std::string(runtime) + "/" + path;
  }
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool answered =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return answered;
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
