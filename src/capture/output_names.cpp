#include "capture/output_names.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

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
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(candidate, error).type();
    // A folder of that name holds the number back even when files are overwritten:
    // no file can replace it, and a failed write gives its number back, so every
    // capture after would fail on it again. A name that cannot be looked at is
    // tried: the write tells why it fails.
    if (type == std::filesystem::file_type::directory) continue;
    if (options_.checked(Option::overwriteFiles) || type == std::filesystem::file_type::not_found ||
        type == std::filesystem::file_type::none) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace snaprill
