// The names of output files: output folder + prefix + number + extension, and the
// counter of the number most recently used, which only grows during a run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "options/options.h"

namespace snaprill {

inline constexpr int kMaxImageNumber = 99999;

class OutputNames {
 public:
  explicit OutputNames(const Options& options) : options_(options) {}

  // The number of the file most recently named, 0 to 99999.
  int counter() const { return counter_; }
  // Anything outside 0 to 99999 gives 0.
  void setCounter(int number);

  // The number as it appears in a name: padded to five digits when the option says.
  std::string formatNumber(int number) const;
  std::string pathFor(int number, const std::string& extension) const;
  // Advances the counter to the next number whose name is free (or, when existing
  // files may be overwritten, to the next number whose name is not a folder) and
  // returns that name; nothing, with the counter at 99999, when no number is left.
  // The output folder is made first when it is missing.
  std::optional<std::string> allocate(const std::string& extension);

 private:
  const Options& options_;
  int counter_ = 0;
};

// What a writer made of one capture.
struct WriteOutcome {
  std::string path;            // the file written, or empty
  bool noNumberLeft = false;   // no number was left for a file: the capture is dropped
  bool aviNotWritten = false;  // the AVI writer failed, and has shown its error box
};

}  // namespace snaprill
