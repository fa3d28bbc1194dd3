// Error types of the platform layer. Messages carry the program's own texts.
#pragma once

#include <stdexcept>
#include <string>

namespace snaprill {

// A file could not be created (or, since files appear whole, could not be written
// to the end). The program-wide handler shows the disk-full text for exactly this type.
class FileCreateError : public std::runtime_error {
 public:
  explicit FileCreateError(const std::string& path)
      : std::runtime_error("Cannot create file \"" + path + "\""), path_(path) {}
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

}  // namespace snaprill
