#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/errors.h"

namespace snaprill {

namespace {

// The system's reason for the last failure.
std::string lastError() {
  return std::strerror(errno);
}

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
  if (fd < 0) throw FileCreateError(path_, lastError());
  // Respect the user's umask like an ordinary create would (mkstemp uses 0600).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  tempPath_ = buf.data();
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const std::string reason = lastError();
    ::close(fd);
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_, reason);
  }
}

AtomicFile::~AtomicFile() {
  if (file_) {
    std::fclose(file_);
    ::unlink(tempPath_.c_str());
  }
}

void AtomicFile::fail() {
  const std::string reason = lastError();
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
    ::unlink(tempPath_.c_str());
  }
  throw FileCreateError(path_, reason);
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
    const std::string reason = lastError();
    file_ = nullptr;
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_, reason);
  }
  file_ = nullptr;
  if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
    const std::string reason = lastError();
    ::unlink(tempPath_.c_str());
    throw FileCreateError(path_, reason);
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
  const auto fail = [&path](const std::string& what) {
    throw ReadError("Cannot " + what + " file \"" + path + "\": " + std::strerror(errno));
  };
  // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) fail("open");
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) fail("read");
  if (!S_ISREG(st.st_mode)) throw ReadError("\"" + path + "\" is not a regular file");
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    throw ReadError("File \"" + path + "\" is too large");
  }
  std::string data(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("read");
    if (n == 0) break;  // the file shrank while we read it
    done += static_cast<std::size_t>(n);
  }
  data.resize(done);
  return data;
}

}  // namespace snaprill
