#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/errors.h"

namespace snaprill {

namespace {

std::string directoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {
  // The temporary name keeps a leading dot so that folder watchers and galleries
  // that skip hidden files do not pick up a half-written picture.
  const std::string dir = directoryOf(path_);
  const auto slash = path_.find_last_of('/');
  const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  std::string templ = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  const int fd = ::mkstemp(buf.data());
  if (fd < 0) throw FileCreateError(path_);
  // Respect the user's umask like an ordinary create would (mkstemp uses 0600).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  tempPath_ = buf.data();
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    ::close(fd);
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_);
  }
}

AtomicFile::~AtomicFile() {
  if (file_) {
    std::fclose(file_);
    ::unlink(tempPath_.c_str());
  }
}

void AtomicFile::fail() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    ::unlink(tempPath_.c_str());
  }
  throw FileCreateError(path_);
}

void AtomicFile::write(const void* data, std::size_t size) {
  if (!file_) throw FileCreateError(path_);
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) fail();
}

void AtomicFile::overwrite(std::uint64_t offset, const void* data, std::size_t size) {
  if (!file_) throw FileCreateError(path_);
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0 ||
      (size > 0 && std::fwrite(data, 1, size, file_) != size) ||
      ::fseeko(file_, 0, SEEK_END) != 0) {
    fail();
  }
}

void AtomicFile::commit(bool durable) {
  if (!file_) throw FileCreateError(path_);
  if (std::fflush(file_) != 0 || (durable && ::fsync(::fileno(file_)) != 0)) fail();
  if (std::fclose(file_) != 0) {
    file_ = nullptr;
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_);
  }
  file_ = nullptr;
  if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_);
  }
  if (durable) {
    const int dfd = ::open(directoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
  }
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
  AtomicFile f(path);
  f.write(data, size);
  f.commit();
}

std::string readWholeFile(const std::string& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ReadError("Cannot open file \"" + path + "\"");
  in.seekg(0, std::ios::end);
  const auto size = in.tellg();
  if (size < 0) throw ReadError("Cannot read file \"" + path + "\"");
  if (static_cast<unsigned long long>(size) > maxBytes) {
    throw ReadError("File \"" + path + "\" is too large");
  }
  in.seekg(0, std::ios::beg);
  std::string data(static_cast<std::size_t>(size), '\0');
  if (size > 0 && !in.read(data.data(), size)) {
    throw ReadError("Cannot read file \"" + path + "\"");
  }
  return data;
}

}  // namespace snaprill
