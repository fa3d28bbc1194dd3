// Error types of the platform layer. Messages carry the program's own texts.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace snaprill {

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
