#include "io/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "io/file_error.h"
#include "io/readable_file.h"

namespace snaprill {

namespace {

std::string directoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Whether the path still names the file open as fd: a starting program that found
// the temporary unlocked before its writer locked it may have removed it.
bool stillNamed(int fd, const std::string& path) {
  struct stat opened {
  }, named{};
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

constexpr std::size_t kRandomEnding = 6;  // mkstemp's XXXXXX
// What the temporary's name adds to the target's: the leading dot, the dot before
// the random ending and the ending.
constexpr std::size_t kTemporaryExtra = 2 + kRandomEnding;
// Extensions longer than this are not kept whole when a long name is cut.
constexpr std::size_t kLongestKeptExtension = 16;

// The longest file name the folder's file system takes.
std::size_t longestNameIn(const std::string& dir) {
  const long longest = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  return longest > 0 ? static_cast<std::size_t>(longest) : std::size_t{NAME_MAX};
}

// The part of base that goes into the temporary's name: all of it when the name
// fits the file system, else the middle goes (cut on a whole UTF-8 character) and
// the extension stays, by which removeLeftoverTemporaries knows a temporary of ours.
std::string temporaryStem(const std::string& base, std::size_t longestName) {
  if (base.size() + kTemporaryExtra <= longestName || longestName <= kTemporaryExtra + 1) {
    return base;
  }
  const std::size_t room = longestName - kTemporaryExtra;
  const std::size_t dot = base.find_last_of('.');
  std::string extension;
  if (dot != std::string::npos && dot > 0 && base.size() - dot <= kLongestKeptExtension &&
      base.size() - dot < room) {
    extension = base.substr(dot);
  }
  std::size_t keep = room - extension.size();
  while (keep > 1 && (static_cast<unsigned char>(base[keep]) & 0xC0u) == 0x80u) --keep;
  return base.substr(0, keep) + extension;
}

// The permission bits a new file gets: those of the file it replaces (a settings
// file the user made private stays private), else what the umask leaves of 0666,
// as an ordinary create gives (mkstemp uses 0600).
mode_t permissionsFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    return st.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO);
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  // The temporary name keeps a leading dot so that folder watchers and galleries
  // that skip hidden files do not pick up a half-written picture. It is never
  // longer than the target's name may be, so that every name that can be written
  // can be written this way.
  const std::string dir = directoryOf(path_);
  const auto slash = path_.find_last_of('/');
  const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  const std::string templ = (dir == "/" ? std::string("/") : dir + "/") + "." +
                            temporaryStem(base, longestNameIn(dir)) + "." +
                            std::string(kRandomEnding, 'X');
  int fd = -1;
  std::vector<char> buf;
  for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
    buf.assign(templ.begin(), templ.end());
    buf.push_back('\0');
    fd = ::mkstemp(buf.data());
    if (fd < 0) throw FileError(FileErrorKind::NotCreated, path_, errno);
    if (::flock(fd, LOCK_EX) != 0) {
      ::unlink(buf.data());
      ::close(fd);
      fd = -1;
    } else if (!stillNamed(fd, buf.data())) {
      ::close(fd);
      fd = -1;
    }
  }
  if (fd < 0) throw FileError(FileErrorKind::NotCreated, path_);
  ::fchmod(fd, permissionsFor(path_));
  tempPath_ = buf.data();
  lockFd_ = fd;
  // The stream gets a descriptor of its own: closing it must not release the lock
  // before the temporary is renamed.
  const int streamFd = ::dup(fd);
  file_ = streamFd >= 0 ? ::fdopen(streamFd, "wb") : nullptr;
  if (!file_) {
    const int error = errno;
    if (streamFd >= 0) ::close(streamFd);
    discard();
    throw FileError(FileErrorKind::NotCreated, path_, error);
  }
}

AtomicFile::~AtomicFile() {
  discard();
}

void AtomicFile::discard() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (lockFd_ >= 0) {
    ::unlink(tempPath_.c_str());
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

void AtomicFile::fail() {
  const int error = errno;  // before the clean-up changes it
  discard();
  throw FileError(FileErrorKind::NotCreated, path_, error);
}

void AtomicFile::write(const void* data, std::size_t size) {
  if (!file_) throw FileError(FileErrorKind::NotCreated, path_);
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) fail();
}

void AtomicFile::overwrite(std::uint64_t offset, const void* data, std::size_t size) {
  if (!file_) throw FileError(FileErrorKind::NotCreated, path_);
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
      (size > 0 && std::fwrite(data, 1, size, file_) != size) ||
      ::fseeko(file_, 0, SEEK_END) != 0) {
    fail();
  }
}

void AtomicFile::commit(bool durable) {
  if (!file_) throw FileError(FileErrorKind::NotCreated, path_);
  if (std::fflush(file_) != 0 || (durable && ::fsync(::fileno(file_)) != 0)) fail();
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0 || ::rename(tempPath_.c_str(), path_.c_str()) != 0) fail();
  ::close(lockFd_);  // renamed: there is no temporary any more to unlink
  lockFd_ = -1;
  if (durable) {
    const int dfd = ::open(directoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
}

namespace {

// ".NAME.XXXXXX" with NAME ending in one of the extensions.
bool isTemporaryName(std::string_view name, std::span<const std::string_view> extensions) {
  if (name.size() < 2 + kRandomEnding + 1 || name.front() != '.') return false;
  const std::size_t dot = name.size() - kRandomEnding - 1;
  if (name[dot] != '.') return false;
  for (std::size_t i = dot + 1; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  }
  const std::string_view target = name.substr(1, dot - 1);
  for (const std::string_view extension : extensions) {
    if (target.size() > extension.size() && target.ends_with(extension)) return true;
  }
  return false;
}

}  // namespace

int removeLeftoverTemporaries(const std::string& folder,
                              std::span<const std::string_view> extensions) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!isTemporaryName(entry->d_name, extensions)) continue;
    const std::string path = prefix + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer still at work holds the lock; once we hold it, no writer can start
    // on this name (a new writer's name is checked after it has locked).
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        stillNamed(fd, path) && ::unlink(path.c_str()) == 0) {
      ++removed;
    }
    ::close(fd);
  }
  ::closedir(dir);
  return removed;
}

bool lockedAgainstWriting(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
  AtomicFile f(path);
  f.write(data, size);
  f.commit();
}

std::string readWholeFile(const std::string& path, std::size_t maxBytes) {
  ReadableFile file(path, maxBytes);
  std::string data(file.size(), '\0');
  const std::span<std::uint8_t> whole(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
  data.resize(file.readAt(0, {&whole, 1}));
  return data;
}

PixelBuffer readFileBytes(const std::string& path, std::size_t maxBytes) {
  return ReadableFile(path, maxBytes).readWhole();
}

}  // namespace snaprill
