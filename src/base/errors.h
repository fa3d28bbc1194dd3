// Errors of the base layer, used by the layers above it; messages carry the
// program's own texts. Files have their error in io/, codecs theirs in formats/.
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
