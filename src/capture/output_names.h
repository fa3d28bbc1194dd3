// The names of output files: output folder + prefix + number + extension, and the
// counter of the number most recently used, which only grows during a run.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
  std::string formatNumber(int number) const { return formatNumber(options_, number); }
  // The name of that number in the output folder the options give.
  std::string pathFor(int number, const std::string& extension) const;

  // The output folder may be missing. One that has been there during this run (or
  // was named on purpose) is made again: a folder removed while the program runs, a
  // link whose folder was removed. One missing since the settings named it (a
  // removable disk not mounted yet) stays the user's choice, but captures go to the
  // stand-in folder until it is there; told once (takeAbsentFolderNotice). Without
  // a stand-in folder (the default output folder) every missing folder is made.
  void setStandInFolder(const std::string& folder) { standIn_ = folder; }
  // Looks at the output folder the options give: one that is there is made again
  // should it go.
  void lookForOutputFolder();
  // The output folder the options give is made whenever it is missing (a folder
  // named on the command line).
  void makeOutputFolderWhenMissing() { seenFolder_ = options_.text(Option::outputDir); }
  // Once for each output folder that was missing: that folder, when captures have
  // gone to the stand-in folder instead; else empty.
  std::string takeAbsentFolderNotice() { return std::exchange(absentFolderNotice_, {}); }

  // Advances the counter to the next number whose name is free (or, when existing
  // files may be overwritten, to the next number whose name is not a folder) and
  // returns that name; nothing, with the counter at 99999, when no number is left.
  // The folder, prefix and padding are those of `capture`, the options the capture
  // was taken with (by default the options now). The folder is made first when it
  // is missing; throws FileError (NotCreated, with the system's reason) when it
  // cannot be, leaving the counter as it was.
  std::optional<std::string> allocate(const std::string& extension) {
    return allocate(extension, options_);
  }
  std::optional<std::string> allocate(const std::string& extension, const Options& capture);

 private:
  std::string nameIn(const Options& options, const std::string& folder, int number,
                     const std::string& extension) const;
  // The folder the next capture goes into (see setStandInFolder), made when it is
  // missing.
  std::string folderForCapture(const Options& options, const std::string& extension);

  static std::string formatNumber(const Options& options, int number);

  const Options& options_;
  int counter_ = 0;
  std::string standIn_;
  std::string seenFolder_;     // the output folder last found there
  std::string absentNoticed_;  // the missing output folder last told of
  std::string absentFolderNotice_;
};

// What a writer made of one capture.
struct WriteOutcome {
  std::string path;            // the file written, or empty
  bool noNumberLeft = false;   // no number was left for a file: the capture is dropped
  bool aviNotWritten = false;  // the AVI writer failed; aviFailure says why
  // The AVI writer's error for its box: the key of its text in [Error] as the
  // writer gives it, the text once the user-interface thread has it.
  std::string aviFailure{};
};

// The slow part of writing a capture (encoding, the file), prepared on the
// user-interface thread with its file's name taken, to run on any thread once.
// Throws as the writers do.
using WriteWork = std::function<WriteOutcome()>;

}  // namespace snaprill
