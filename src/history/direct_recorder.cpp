#include "history/direct_recorder.h"

#include <algorithm>

#include "base/text.h"
#include "history/capture_history.h"
#include "history/index_location.h"
#include "options/options.h"

namespace snaprill {

std::vector<std::string> applicationList(const std::string& setting) {
  std::vector<std::string> list;
  std::size_t start = 0;
  while (start <= setting.size()) {
    std::size_t end = setting.find(';', start);
    if (end == std::string::npos) end = setting.size();
    std::string name = setting.substr(start, end - start);
    const std::size_t first = name.find_first_not_of(" \t");
    const std::size_t last = name.find_last_not_of(" \t");
    if (first != std::string::npos) list.push_back(name.substr(first, last - first + 1));
    start = end + 1;
  }
  return list;
}

bool listedApplication(const std::vector<std::string>& list, const std::string& application) {
  if (application.empty()) return false;
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& a) { return equalsIgnoringCase(a, application); });
}

DirectRecorder::DirectRecorder(const ProgramDirectories& dirs, const Options& options) {
  if (!options.checked(Option::historyEnabled)) return;
  neverRead_ = applicationList(options.text(Option::historyNeverRead));
  const std::string path = historyIndexPath(dirs);
  if (path.empty()) return;
  try {
    index_ = CaptureIndex::open(path, true, false);
  } catch (const IndexError&) {
    // Busy past the wait, or unwritable: this program's captures go unrecorded.
  }
}

DirectRecorder::~DirectRecorder() = default;

void DirectRecorder::record(const std::string& path, const CaptureSource& source) {
  if (!index_ || path.empty()) return;
  std::optional<IndexEntry> entry = entryOf(path, source);
  if (!entry) return;
  if (listedApplication(neverRead_, entry->application)) entry->textState = TextState::NeverRead;
  try {
    index_->record(*entry);
  } catch (const IndexError&) {
  }
}

}  // namespace snaprill
