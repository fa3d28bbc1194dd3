#include "platform/program_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace snaprill {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string homeDir() {
  std::string home = env("HOME");
  return home.empty() ? std::string("/tmp") : home;
}

// The XDG user pictures folder from user-dirs.dirs, or ~/Pictures.
std::string picturesDir() {
  std::string config = env("XDG_CONFIG_HOME");
  if (config.empty()) config = homeDir() + "/.config";
  std::FILE* f = std::fopen((config + "/user-dirs.dirs").c_str(), "r");
  std::string result;
  if (f) {
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
      std::string s(line);
      const std::string key = "XDG_PICTURES_DIR=\"";
      if (s.rfind(key, 0) != 0) continue;
      s = s.substr(key.size());
      const auto quote = s.find('"');
      if (quote == std::string::npos) continue;
      s = s.substr(0, quote);
      if (s.rfind("$HOME", 0) == 0) s = homeDir() + s.substr(5);
      result = s;
    }
    std::fclose(f);
  }
  if (result.empty()) result = homeDir() + "/Pictures";
  return result;
}

}  // namespace

std::string withTrailingSlash(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + "/";
}

std::string folderOf(const std::string& path) {
  return path.substr(0, path.find_last_of('/') + 1);
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFileOrOther(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void makeDirectories(const std::string& path) {
  if (path.empty() || isDirectory(path)) return;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
}

std::string locateDataDir(const std::string& executableDir) {
  // Normalised: the path reaches the user in the manual's address.
  const std::string installed = withTrailingSlash(
      std::filesystem::path(executableDir + "../share/snaprill/").lexically_normal().string());
  for (const std::string& dir : {executableDir, installed}) {
    if (isRegularFileOrOther(dir + "english.ini")) return dir;
  }
  return executableDir;
}

ProgramDirectories locateProgramDirectories() {
  ProgramDirectories d;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  d.executablePath = ec ? std::string() : exe.string();
  d.executableDir = ec ? std::string("./") : withTrailingSlash(exe.parent_path().string());
  d.dataDir = locateDataDir(d.executableDir);

  const std::string home = env("SNAPRILL_HOME");
  if (!home.empty()) {
    std::filesystem::create_directories(home, ec);
    d.configDir = withTrailingSlash(std::filesystem::absolute(home, ec).string());
    d.defaultOutput = d.configDir;
    return d;
  }
  // An installed program finds its data in ../share/snaprill/, not beside itself; its
  // folder may still be writable (root's /usr/bin), but settings and pictures do not
  // belong there.
  const bool installed = d.dataDir != d.executableDir;
  if (!installed && ::access(d.executableDir.c_str(), W_OK) == 0) {
    d.configDir = d.executableDir;
    d.defaultOutput = d.executableDir;
    return d;
  }
  std::string config = env("XDG_CONFIG_HOME");
  if (config.empty()) config = homeDir() + "/.config";
  d.configDir = withTrailingSlash(config + "/snaprill");
  std::filesystem::create_directories(d.configDir, ec);
  d.defaultOutput = withTrailingSlash(picturesDir());
  return d;
}

}  // namespace snaprill
