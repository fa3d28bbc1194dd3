#include "capture/output_names.h"

#include <cstdio>

#include "platform/program_dir.h"

namespace snaprill {

void OutputNames::setCounter(int number) {
  counter_ = number < 0 || number > kMaxImageNumber ? 0 : number;
}

std::string OutputNames::formatNumber(int number) const {
  char buf[16];
  std::snprintf(buf, sizeof buf, options_.checked(Option::zeroPadNumbers) ? "%.5d" : "%d", number);
  return buf;
}

std::string OutputNames::pathFor(int number, const std::string& extension) const {
  return options_.text(Option::outputDir) + options_.text(Option::filePrefix) +
         formatNumber(number) + extension;
}

std::optional<std::string> OutputNames::allocate(const std::string& extension) {
  // A folder removed while the program runs is made again rather than costing the
  // capture; one that cannot be made fails the write, which names it.
  if (counter_ < kMaxImageNumber) makeDirectories(options_.text(Option::outputDir));
  while (counter_ < kMaxImageNumber) {
    ++counter_;
    std::string candidate = pathFor(counter_, extension);
    // A folder of that name does not hold the number back; the write will fail.
    if (options_.checked(Option::overwriteFiles) || !isRegularFileOrOther(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace snaprill
