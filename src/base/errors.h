// Error types the layers share: file creation, damaged offers, reading. Messages
// carry the program's own texts.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace snaprill {

// A file could not be created (or, since files appear whole, could not be written
// to the end). The program-wide handler shows the disk-full text for exactly this type;
// the message adds the system's reason where there is one, for the batch program.
class FileCreateError : public std::runtime_error {
 public:
  explicit FileCreateError(const std::string& path, const std::string& reason = {})
      : std::runtime_error("Cannot create file \"" + path + "\"" +
                           (reason.empty() ? std::string() : ": " + reason)),
        path_(path) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// An offered picture turned out damaged after its file had been begun: the file is
// not made, and the number it was given is not used up.
class DamagedPictureError : public std::runtime_error {
 public:
  DamagedPictureError() : std::runtime_error("The offered picture is damaged") {}
};

// A file could not be read or does not hold what its reader expects.
class ReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message an error carries, for reports ("unknown error" when it carries none).
inline std::string messageOf(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

}  // namespace snaprill
