// Files that appear whole: bytes go to a temporary file beside the target, which is
// renamed into place by commit(). A file never committed (an error, an exception) is
// removed, so no reader ever sees half a file and a failed write leaves nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/byte_sink.h"

namespace snaprill {

class AtomicFile : public ByteSink {
 public:
  // Creates the temporary file; throws FileCreateError(path) when it cannot.
  explicit AtomicFile(std::string path);
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Throws FileCreateError(path) when the bytes cannot be stored.
  void write(const void* data, std::size_t size) override;
  // Replaces bytes already written at offset (sizes that a header learns only at
  // the end); later writes still append. Throws FileCreateError(path) on failure.
  void overwrite(std::uint64_t offset, const void* data, std::size_t size);
  // Flushes and renames the file into place (replacing an existing file). With
  // durable, the file and its folder are synced first, so that after a crash the
  // folder holds the old or the new file, never a truncated one.
  // Throws FileCreateError(path) on failure, leaving any old file as it was.
  void commit(bool durable = false);

  const std::string& path() const { return path_; }

 private:
  void fail();

  std::string path_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
};

// Writes a whole file atomically (see AtomicFile).
void writeFileAtomically(const std::string& path, const void* data, std::size_t size);

// Reads a whole file; throws ReadError, with the system's reason, when it cannot be
// opened or read, when it is not a regular file (a directory, a FIFO, a device: it
// never waits for a writer) or when it is larger than maxBytes.
std::string readWholeFile(const std::string& path, std::size_t maxBytes);

}  // namespace snaprill
