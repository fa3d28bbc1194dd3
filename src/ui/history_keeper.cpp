#include "ui/history_keeper.h"

#include <dirent.h>
#include <unistd.h>

#include "history/direct_recorder.h"
#include "history/index_location.h"
#include "history/reading_languages.h"

namespace snaprill {

HistoryKeeper::HistoryKeeper(Session& session) : session_(session) {
  session_.cycle.addObserver(*this);
  enabledWatch_ = session_.options.watch(Option::historyEnabled, [this] { follow(); });
  neverReadWatch_ = session_.options.watch(Option::historyNeverRead, [this] {
    if (history_)
      history_->setNeverRead(applicationList(session_.options.text(Option::historyNeverRead)));
  });
}

HistoryKeeper::~HistoryKeeper() {
  session_.options.unwatch(enabledWatch_);
  session_.options.unwatch(neverReadWatch_);
  session_.cycle.removeObserver(*this);
}

int HistoryKeeper::start() {
  const std::string path = existingIndexPath(session_.services.dirs);
  missingAtStart_ = !path.empty() && ::access(path.c_str(), F_OK) != 0;
  // An index found here means a history has been kept: should it be lost later, that
  // is a loss to rebuild, not a first start to offer indexing for (a history begun
  // with an empty output folder never made the offer that would otherwise say so).
  if (!path.empty() && !missingAtStart_) session_.options.setChecked(Option::historyOffered, true);
  started_ = true;
  follow();
  if (!history_ || !missingAtStart_ || session_.options.checked(Option::historyOffered)) return 0;
  const int pictures = picturesInOutputFolders();
  // Asked once: from now on a lost index is rebuilt from the folders by itself. With
  // nothing to offer the settings stay as they were (a start changes no file).
  if (pictures > 0) session_.options.setChecked(Option::historyOffered, true);
  return pictures;
}

std::vector<std::string> HistoryKeeper::outputFolders() const {
  std::vector<std::string> folders{session_.options.text(Option::outputDir)};
  if (session_.services.dirs.defaultOutput != folders.front())
    folders.push_back(session_.services.dirs.defaultOutput);
  return folders;
}

void HistoryKeeper::follow() {
  if (!started_) return;
  const bool wanted = session_.options.checked(Option::historyEnabled);
  if (!wanted) {
    history_.reset();
    return;
  }
  if (history_) return;
  HistorySetup setup;
  std::string problem;
  setup.indexPath = historyIndexPath(session_.services.dirs, &problem);
  if (setup.indexPath.empty()) return;
  setup.folders = outputFolders();
  // The reader runs as a program of its own: this one never loads the engine.
  const std::string dataDir = tesseractDataDir();
  const std::string languages = readingLanguages(session_.texts.languageFile, dataDir);
  if (!languages.empty())
    setup.reader = {textReaderProgram(session_.services.dirs.executableDir), {languages, dataDir}};
  // An index that was there and got lost is rebuilt; the very first one starts empty
  // (the first start offers to index what is there).
  setup.rebuildWhenMissing = !missingAtStart_ || session_.options.checked(Option::historyOffered);
  setup.neverRead = applicationList(session_.options.text(Option::historyNeverRead));
  history_ = std::make_unique<CaptureHistory>(std::move(setup));
}

void HistoryKeeper::captureEnded(const SaveOutcome& outcome, const CaptureSource& source) {
  if (!outcome.path.empty()) record(outcome.path, source);
}

void HistoryKeeper::record(const std::string& path, const CaptureSource& source) {
  if (history_) history_->record(path, source);
}

std::string HistoryKeeper::indexPath() const {
  return existingIndexPath(session_.services.dirs);
}

bool HistoryKeeper::forgetAll() {
  history_.reset();
  const bool gone = forgetIndex(indexPath());
  // Forgotten on purpose: the new index starts empty, not rebuilt from the folders.
  missingAtStart_ = false;
  follow();
  return gone;
}

void HistoryKeeper::indexOutputFolder() {
  if (history_) history_->scanFolders(outputFolders());
}

int HistoryKeeper::picturesInOutputFolders() const {
  // Captures of earlier runs: the prefix, a number, a picture's extension. Other
  // pictures in the folder are no reason to ask.
  const std::string& prefix = session_.options.text(Option::filePrefix);
  const auto numbered = [&prefix](const std::string& name) {
    if (!name.starts_with(prefix) || !hasPictureName(name)) return false;
    const std::size_t digits = name.find_first_not_of("0123456789", prefix.size());
    return digits > prefix.size() && digits != std::string::npos && name[digits] == '.';
  };
  int count = 0;
  for (const std::string& folder : outputFolders()) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) continue;
    while (const dirent* e = ::readdir(dir)) {
      if (numbered(e->d_name)) ++count;
    }
    ::closedir(dir);
  }
  return count;
}

}  // namespace snaprill
