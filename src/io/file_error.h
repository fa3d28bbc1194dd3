// The file layer's one error: which file, what could not be done with it, and the
// system's reason where there is one. Callers decide by kind; the text is for people
// and for snaprill-batch's report.
#pragma once

#include <stdexcept>
#include <string>

namespace snaprill {

enum class FileErrorKind {
  // A file could not be created, or (since files appear whole) not written to its
  // end: "Cannot create file "PATH"", then ": REASON" when the system gave one. The
  // disk-full message is for exactly this kind.
  NotCreated,
  NotOpened,       // "Cannot open file "PATH": REASON"
  NotRead,         // "Cannot read file "PATH": REASON"
  NotRegularFile,  // ""PATH" is not a regular file" (a folder, a FIFO, a device)
  TooLargeToRead,  // "File "PATH" is too large" for what its reader takes in
  // "Unable to write to PATH": a settings file was left as it was. The text is the
  // settings dialog's own, without the reason; reason() still holds it.
  SettingsNotWritten,
};

// The text of an error; reason is the system's (strerror), or empty.
std::string fileErrorText(FileErrorKind kind, const std::string& path, const std::string& reason);

class FileError : public std::runtime_error {
 public:
  FileError(FileErrorKind kind, const std::string& path, const std::string& reason = {})
      : std::runtime_error(fileErrorText(kind, path, reason)),
        kind_(kind),
        path_(path),
        reason_(reason) {}
  // The system's error number: the reason is its text (strerror).
  FileError(FileErrorKind kind, const std::string& path, int systemError);

  FileErrorKind kind() const { return kind_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }
  // errno, or 0 when the system gave none.
  int systemError() const { return systemError_; }
  // The reason when it is more than "the disk may be full or read-only" says (a
  // folder that may not be written, a file where a folder should be); empty for a
  // full or read-only disk, a file too large for it, or no reason known.
  std::string reasonBeyondDiskFull() const;

 private:
  FileErrorKind kind_;
  std::string path_;
  std::string reason_;
  int systemError_ = 0;
};

}  // namespace snaprill
