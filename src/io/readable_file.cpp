#include "io/readable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "io/file_error.h"

namespace snaprill {

ReadableFile::ReadableFile(const std::string& path, std::size_t maxBytes) : path_(path) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw FileError(FileErrorKind::NotOpened, path, std::strerror(errno));
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int error = errno;
    ::close(fd_);
    throw FileError(FileErrorKind::NotRead, path, std::strerror(error));
  }
  const auto fail = [this](FileErrorKind kind) {
    ::close(fd_);
    throw FileError(kind, path_);
  };
  if (!S_ISREG(st.st_mode)) fail(FileErrorKind::NotRegularFile);
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) fail(FileErrorKind::TooLargeToRead);
  size_ = static_cast<std::size_t>(st.st_size);
}

ReadableFile::~ReadableFile() {
  ::close(fd_);
}

std::size_t ReadableFile::readAt(std::size_t offset,
                                 std::span<const std::span<std::uint8_t>> pieces) {
  std::vector<iovec> left;
  left.reserve(pieces.size());
  for (const std::span<std::uint8_t> piece : pieces) {
    if (!piece.empty()) left.push_back({piece.data(), piece.size()});
  }
  std::size_t done = 0;
  std::size_t first = 0;  // the first piece not yet full
  while (first < left.size()) {
    const auto count = static_cast<int>(std::min<std::size_t>(left.size() - first, IOV_MAX));
    const ssize_t n = ::preadv(fd_, &left[first], count, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(FileErrorKind::NotRead, path_, std::strerror(errno));
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    for (auto got = static_cast<std::size_t>(n); got > 0;) {
      iovec& piece = left[first];
      const std::size_t used = std::min(got, piece.iov_len);
      piece.iov_base = static_cast<std::uint8_t*>(piece.iov_base) + used;
      piece.iov_len -= used;
      got -= used;
      if (piece.iov_len == 0) ++first;
    }
  }
  return done;
}

PixelBuffer ReadableFile::readWhole() {
  PixelBuffer bytes;
  bytes.resize(size_);
  const std::span<std::uint8_t> whole(bytes.data(), bytes.size());
  bytes.resize(readAt(0, {&whole, 1}));
  return bytes;
}

}  // namespace snaprill
