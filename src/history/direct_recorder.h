// Recording captures straight into the index, for the programs that save captures
// of their own without the tray program's threads: snaprill-batch, and snaprill
// --capture when no Snaprill runs. Their text waits in the index for the tray
// program's reader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "history/capture_index.h"
#include "platform/capture_source.h"
#include "platform/program_dir.h"

namespace snaprill {

class Options;

// The list of applications never read for text, from the setting's text ("a; b").
std::vector<std::string> applicationList(const std::string& setting);
// Whether the application is on the list (any letter case).
bool listedApplication(const std::vector<std::string>& list, const std::string& application);

class DirectRecorder {
 public:
  // Opens the index when the options keep a history; a history that cannot be
  // opened records nothing (the capture itself is saved all the same).
  DirectRecorder(const ProgramDirectories& dirs, const Options& options);
  ~DirectRecorder();

  void record(const std::string& path, const CaptureSource& source);

 private:
  std::unique_ptr<CaptureIndex> index_;
  std::vector<std::string> neverRead_;
};

}  // namespace snaprill
