#include "platform/program_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace snaprill {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// A folder named by an environment variable: only an absolute path counts (the XDG
// rule for relative ones: ignored).
std::string absoluteFromEnv(const char* name) {
  std::string value = env(name);
  return !value.empty() && value.front() == '/' ? value : std::string();
}

std::string quoted(const std::string& path) {
  return "\"" + path + "\"";
}

// The user's home folder in the password database, or "".
std::string passwordDatabaseHome() {
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !entry.pw_dir) {
    return std::string();
  }
  return entry.pw_dir;
}

// The home folder: HOME, else the password database's, whichever first is an
// absolute path to a fit folder; "" when neither is, with why in problems.
std::string homeFolder(std::vector<std::string>* problems = nullptr) {
  const std::string fromEnv = absoluteFromEnv("HOME");
  const std::string fromDatabase = passwordDatabaseHome();
  if (fromEnv.empty() && problems) {
    problems->push_back(env("HOME").empty() ? "HOME is not set" : "HOME is not an absolute path");
  }
  std::vector<std::string> candidates{fromEnv};
  if (fromDatabase != fromEnv) candidates.push_back(fromDatabase);
  for (const std::string& home : candidates) {
    if (home.empty() || home.front() != '/') continue;
    std::string why = isDirectory(home) ? unfitFolderReason(home) : std::strerror(ENOENT);
    if (why.empty()) return home;
    if (problems) problems->push_back("home folder " + quoted(home) + ": " + why);
  }
  if (fromDatabase.empty() && problems) {
    problems->push_back("the password database names no home folder");
  }
  return std::string();
}

// The XDG user pictures folder from user-dirs.dirs in the config folder, or "".
std::string xdgPicturesFolder(const std::string& config, const std::string& home) {
  std::FILE* f = std::fopen((config + "/user-dirs.dirs").c_str(), "r");
  if (!f) return std::string();
  std::string result;
  char line[4096];
  while (std::fgets(line, sizeof line, f)) {
    std::string s(line);
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (s.rfind(key, 0) != 0) continue;
    s = s.substr(key.size());
    const auto quote = s.find('"');
    if (quote == std::string::npos) continue;
    s = s.substr(0, quote);
    if (s.rfind("$HOME", 0) == 0) s = home.empty() ? std::string() : home + s.substr(5);
    if (!s.empty() && s.front() == '/') result = s;
  }
  std::fclose(f);
  return result;
}

bool ownedByUserOrRoot(const struct stat& st) {
  return st.st_uid == ::geteuid() || st.st_uid == 0;
}

// Each folder from the root down to path, path included.
std::vector<std::filesystem::path> foldersDownTo(const std::filesystem::path& path) {
  std::vector<std::filesystem::path> chain;
  std::filesystem::path walked;
  for (const auto& part : path) {
    walked /= part;
    chain.push_back(walked);
  }
  return chain;
}

// unfitFolderReason; with toMakeIn, a folder that is not there is judged by whether
// the nearest folder above it is fit to make it in (/tmp is): the caller makes it and
// judges it then.
std::string unfitReason(const std::string& folder, bool toMakeIn) {
  if (folder.empty() || folder.front() != '/') return quoted(folder) + " is not an absolute path";
  // The nearest folder that is there (a missing one would be made in it).
  std::filesystem::path there = std::filesystem::path(folder).lexically_normal();
  while (!isDirectory(there.string()) && there.has_relative_path()) there = there.parent_path();
  // A link on the way: whoever may change it chooses where the path leads.
  for (const auto& step : foldersDownTo(there)) {
    struct stat st {};
    if (::lstat(step.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && !ownedByUserOrRoot(st)) {
      return "the link " + quoted(step.string()) + " belongs to another user";
    }
  }
  const bool madeIn = toMakeIn && there != std::filesystem::path(folder).lexically_normal();
  char real[PATH_MAX];
  if (!::realpath(there.c_str(), real)) return quoted(there.string()) + ": " + std::strerror(errno);
  const std::vector<std::filesystem::path> chain = foldersDownTo(real);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    struct stat st {};
    if (::stat(chain[i].c_str(), &st) != 0) {
      return quoted(chain[i].string()) + ": " + std::strerror(errno);
    }
    if (!ownedByUserOrRoot(st)) return quoted(chain[i].string()) + " belongs to another user";
    // Above the folder, a sticky folder (/tmp) keeps others from replacing ours.
    const bool last = i + 1 == chain.size() && !madeIn;
    if ((st.st_mode & S_IWOTH) != 0 && (last || (st.st_mode & S_ISVTX) == 0)) {
      return "other users may write to " + quoted(chain[i].string());
    }
  }
  return std::string();
}

}  // namespace

std::string unfitFolderReason(const std::string& folder) {
  return unfitReason(folder, false);
}

std::string userConfigHome() {
  const std::string xdg = absoluteFromEnv("XDG_CONFIG_HOME");
  if (!xdg.empty() && unfitFolderReason(xdg).empty()) return xdg;
  const std::string home = homeFolder();
  return home.empty() ? std::string() : withTrailingSlash(home) + ".config";
}

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

namespace {

constexpr int kMostLinksFollowed = 8;

int makeFolders(const std::string& path, mode_t mode, int linksFollowed) {
  if (path.empty() || isDirectory(path)) return 0;
  const std::filesystem::path full = std::filesystem::path(path).lexically_normal();
  for (const auto& step : foldersDownTo(full)) {
    if (!step.has_relative_path() || isDirectory(step.string())) continue;
    struct stat st {};
    if (::lstat(step.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      // A link whose folder is gone: that folder is made, and the link leads to it.
      if (linksFollowed >= kMostLinksFollowed) return ELOOP;
      std::error_code ec;
      std::filesystem::path target = std::filesystem::read_symlink(step, ec);
      if (ec) return ec.value();
      if (target.is_relative()) target = step.parent_path() / target;
      if (const int error = makeFolders(target.string(), mode, linksFollowed + 1)) {
        return error;
      }
      continue;
    }
    if (::mkdir(step.c_str(), mode) != 0 && errno != EEXIST) return errno;
  }
  return isDirectory(path) ? 0 : ENOTDIR;
}

}  // namespace

int makeDirectories(const std::string& path, mode_t mode) {
  return makeFolders(path, mode, 0);
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

namespace {

std::string refusal(const std::vector<std::string>& problems) {
  std::string text = "no folder fit for settings and pictures (";
  for (std::size_t i = 0; i < problems.size(); ++i) text += (i ? "; " : "") + problems[i];
  return text +
         "): set HOME to your home folder, or SNAPRILL_HOME to a folder of your own that "
         "no other user may write to";
}

// The folder made when it is missing (private to the user, as XDG asks of the
// config folder), with a trailing "/"; "" when it is not fit, with why in problems.
std::string madeFitFolder(const std::string& folder, std::vector<std::string>& problems) {
  std::string why = unfitReason(folder, true);
  if (why.empty()) {
    const int error = makeDirectories(folder, 0700);
    why = error ? quoted(folder) + ": " + std::strerror(error) : unfitFolderReason(folder);
  }
  if (why.empty()) return withTrailingSlash(folder);
  problems.push_back(why);
  return std::string();
}

}  // namespace

ProgramDirectories locateProgramDirectories() {
  ProgramDirectories d;
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  d.executablePath = ec ? std::string() : exe.string();
  d.executableDir = ec ? std::string("./") : withTrailingSlash(exe.parent_path().string());
  d.dataDir = locateDataDir(d.executableDir);
  std::vector<std::string> problems;

  const std::string home = env("SNAPRILL_HOME");
  if (!home.empty()) {
    const std::string absolute = std::filesystem::absolute(home, ec).lexically_normal().string();
    d.configDir = madeFitFolder(absolute, problems);
    if (d.configDir.empty()) throw NoFitFolder(refusal({"SNAPRILL_HOME: " + problems.front()}));
    d.defaultOutput = d.configDir;
    d.historyDir = d.configDir;
    return d;
  }
  // An installed program finds its data in ../share/snaprill/, not beside itself; its
  // folder may still be writable (root's /usr/bin), but settings and pictures do not
  // belong there.
  const bool installed = d.dataDir != d.executableDir;
  if (!installed && ::access(d.executableDir.c_str(), W_OK) == 0 &&
      unfitFolderReason(d.executableDir).empty()) {
    d.configDir = d.executableDir;
    d.defaultOutput = d.executableDir;
    d.historyDir = d.executableDir;
    return d;
  }
  const std::string userHome = homeFolder(&problems);
  // As userConfigHome(), with why a folder was passed over: an XDG_CONFIG_HOME that
  // others may change gives way to the home folder's.
  std::string config = absoluteFromEnv("XDG_CONFIG_HOME");
  if (!config.empty()) {
    if (std::string why = unfitFolderReason(config); !why.empty()) {
      problems.push_back("XDG_CONFIG_HOME: " + why);
      config.clear();
    }
  }
  if (config.empty() && !userHome.empty()) config = withTrailingSlash(userHome) + ".config";
  if (!config.empty()) d.configDir = madeFitFolder(config + "/snaprill", problems);
  if (d.configDir.empty()) throw NoFitFolder(refusal(problems));
  // As the config folder: an XDG_DATA_HOME that others may change is passed over.
  std::string data = absoluteFromEnv("XDG_DATA_HOME");
  if (!data.empty() && !unfitFolderReason(data).empty()) data.clear();
  if (data.empty() && !userHome.empty()) data = withTrailingSlash(userHome) + ".local/share";
  if (!data.empty()) d.historyDir = withTrailingSlash(data) + "snaprill/";

  // The XDG pictures folder when it is fit, else Pictures in the home folder.
  const std::string xdgPictures = xdgPicturesFolder(config, userHome);
  for (const std::string& pictures :
       {xdgPictures, userHome.empty() ? std::string() : userHome + "/Pictures"}) {
    if (pictures.empty()) continue;
    if (std::string why = unfitFolderReason(pictures); !why.empty()) {
      problems.push_back("pictures folder " + quoted(pictures) + ": " + why);
      continue;
    }
    d.defaultOutput = withTrailingSlash(pictures);
    return d;
  }
  throw NoFitFolder(refusal(problems));
}

std::optional<ProgramDirectories> programDirectoriesOrRefusal(const char* program) {
  try {
    return locateProgramDirectories();
  } catch (const NoFitFolder& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
    return std::nullopt;
  }
}

}  // namespace snaprill
