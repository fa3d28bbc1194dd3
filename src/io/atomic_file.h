// Files that appear whole: bytes go to a temporary file beside the target, which is
// renamed into place by commit(). A file never committed (an error, an exception) is
// removed, so no reader ever sees half a file and a failed write leaves nothing.
//
// The temporary is the target's name, hidden, with a random ending: ".NAME.XXXXXX".
// Where that would be longer than the file system takes (a target name of 248 to
// 255 bytes), the middle of NAME goes and its extension stays. Its writer holds an
// flock on it until it is renamed or removed. Only a writer killed on the way
// leaves one behind, and nobody holds a lock on that one any more:
// removeLeftoverTemporaries() finds and removes those.
//
// A file that replaces another keeps the other's permission bits (a settings file
// made private stays private); a new file gets what the umask leaves of 0666.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "base/byte_sink.h"
#include "image/pixel_buffer.h"
#include "io/file_error.h"

namespace snaprill {

class AtomicFile : public ByteSink {
 public:
  // Creates the temporary file; throws FileError (NotCreated) when it cannot.
  explicit AtomicFile(std::string path);
  ~AtomicFile() override;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Throws FileError (NotCreated) when the bytes cannot be stored.
  void write(const void* data, std::size_t size) override;
  // Replaces bytes already written at offset (sizes that a header learns only at
  // the end); later writes still append. Throws FileError (NotCreated) on failure.
  void overwrite(std::uint64_t offset, const void* data, std::size_t size);
  // Flushes and renames the file into place (replacing an existing file). With
  // durable, the file and its folder are synced first, so that after a crash the
  // folder holds the old or the new file, never a truncated one.
  // Throws FileError (NotCreated) on failure, leaving any old file as it was.
  void commit(bool durable = false);

  const std::string& path() const { return path_; }

 private:
  void fail();

  void discard();

  std::string path_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
  int lockFd_ = -1;  // holds the temporary's lock, also after file_ is closed
};

// Removes from folder the temporaries of writers that were killed: hidden files
// named as AtomicFile names them, for a target ending in one of `extensions`, that
// no writer holds locked. Returns how many were removed; a folder that cannot be
// read gives 0.
int removeLeftoverTemporaries(const std::string& folder,
                              std::span<const std::string_view> extensions);

// Whether path is a regular file that nobody may write (chmod a-w): its owner has
// locked it, and a rename would replace it all the same.
bool lockedAgainstWriting(const std::string& path);

// Writes a whole file atomically (see AtomicFile).
void writeFileAtomically(const std::string& path, const void* data, std::size_t size);

// Reads a whole file; throws FileError when it cannot be opened or read (with the
// system's reason), when it is not a regular file (a directory, a FIFO, a device: it
// never waits for a writer) or when it is larger than maxBytes.
std::string readWholeFile(const std::string& path, std::size_t maxBytes);

// The same for a picture file, in memory made for pixels (see PixelBuffer).
PixelBuffer readFileBytes(const std::string& path, std::size_t maxBytes);

}  // namespace snaprill
