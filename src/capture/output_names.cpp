#include "capture/output_names.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "io/file_error.h"
#include "platform/program_dir.h"

namespace snaprill {

void OutputNames::setCounter(int number) {
  counter_ = number < 0 || number > kMaxImageNumber ? 0 : number;
}

std::string OutputNames::formatNumber(const Options& options, int number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, options.checked(Option::zeroPadNumbers) ? "%.5d" : "%d", number);
  return buf;
}

std::string OutputNames::pathFor(int number, const std::string& extension) const {
  return nameIn(options_, options_.text(Option::outputDir), number, extension);
}

std::string OutputNames::nameIn(const Options& options, const std::string& folder, int number,
                                const std::string& extension) const {
  return folder + options.text(Option::filePrefix) + formatNumber(options, number) + extension;
}

void OutputNames::lookForOutputFolder() {
  const std::string& folder = options_.text(Option::outputDir);
  if (isDirectory(folder)) seenFolder_ = folder;
}

std::string OutputNames::folderForCapture(const Options& options, const std::string& extension) {
  const std::string& chosen = options.text(Option::outputDir);
  std::string folder = chosen;
  if (isDirectory(chosen)) {
    seenFolder_ = chosen;
  } else if (!standIn_.empty() && chosen != seenFolder_ && chosen != standIn_) {
    folder = standIn_;
    if (absentNoticed_ != chosen) absentFolderNotice_ = absentNoticed_ = chosen;
  }
  // A folder that cannot be made fails the capture with the system's reason, named
  // by the file that was to go there.
  if (const int error = makeDirectories(folder)) {
    throw FileError(FileErrorKind::NotCreated, nameIn(options, folder, counter_ + 1, extension),
                    error);
  }
  return folder;
}

std::optional<std::string> OutputNames::allocate(const std::string& extension,
                                                 const Options& capture) {
  if (counter_ >= kMaxImageNumber) return std::nullopt;
  const std::string folder = folderForCapture(capture, extension);
  while (counter_ < kMaxImageNumber) {
    ++counter_;
    std::string candidate = nameIn(capture, folder, counter_, extension);
    std::error_code error;
    const std::filesystem::file_type type = std::filesystem::status(candidate, error).type();
    // A folder of that name holds the number back even when files are overwritten:
    // no file can replace it, and a failed write gives its number back, so every
    // capture after would fail on it again. A name that cannot be looked at is
    // tried: the write tells why it fails.
    if (type == std::filesystem::file_type::directory) continue;
    if (capture.checked(Option::overwriteFiles) || type == std::filesystem::file_type::not_found ||
        type == std::filesystem::file_type::none) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace snaprill
