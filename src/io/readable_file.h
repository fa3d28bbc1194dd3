// A regular file opened for reading in parts, at any offset: a picture's pixel rows
// can go straight into their bitmap, in place of the whole file into a buffer first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "image/pixel_buffer.h"

namespace snaprill {

class ReadableFile {
 public:
  // Throws FileError when path cannot be opened (with the system's reason), is not a
  // regular file (a directory, a FIFO, a device: it never waits for a writer) or is
  // larger than maxBytes.
  ReadableFile(const std::string& path, std::size_t maxBytes);
  ~ReadableFile();
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  // The size when it was opened.
  std::size_t size() const { return size_; }

  // Fills pieces one after another with the bytes from offset on; returns how many
  // came, fewer when the file ends first (it shrank meanwhile). Throws FileError
  // when the system cannot read it.
  std::size_t readAt(std::size_t offset, std::span<const std::span<std::uint8_t>> pieces);

  // The whole file (what of it is left, should it have shrunk), in memory made for
  // pixels and not cleared first: page faults on a fresh buffer cost more than
  // reading a picture file into it.
  PixelBuffer readWhole();

 private:
  std::string path_;
  int fd_ = -1;
  std::size_t size_ = 0;
};

}  // namespace snaprill
