#include "batch/index_folders.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "formats/format_error.h"
#include "formats/loader/picture_loader.h"
#include "history/capture_history.h"
#include "history/direct_recorder.h"
#include "history/index_location.h"
#include "history/tesseract_reader.h"
#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

namespace {

// The regular files of the folders, each folder's in name order; the index's own
// files are no pictures.
std::vector<std::string> filesIn(const std::vector<std::string>& folders, std::ostream& err,
                                 int& status) {
  std::vector<std::string> files;
  for (const std::string& folder : folders) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
      err << "snaprill-batch: cannot read folder \"" << folder << "\"\n";
      status = 1;
      continue;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.empty() || name[0] == '.' || name.starts_with(kIndexFileName)) continue;
      const std::string path = withTrailingSlash(folder) + name;
      struct stat st {};
      if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(path);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    files.insert(files.end(), names.begin(), names.end());
  }
  return files;
}

}  // namespace

int indexFolders(const std::vector<std::string>& folders, const ProgramDirectories& dirs,
                 const Options& options, const Texts& texts, std::ostream& err, bool progressLine) {
  if (!options.checked(Option::historyEnabled)) {
    err << "snaprill-batch: --index: " << texts.get("History", "Off") << '\n';
    return 1;
  }
  std::string problem;
  const std::string indexPath = historyIndexPath(dirs, &problem);
  std::unique_ptr<CaptureIndex> index;
  try {
    if (indexPath.empty()) throw IndexError(IndexErrorKind::Unavailable, problem);
    index = CaptureIndex::open(indexPath, true, false);
  } catch (const IndexError& e) {
    err << "snaprill-batch: --index: " << e.what() << '\n';
    return 1;
  }
  const std::string dataDir = tesseractDataDir();
  TesseractReader reader(readingLanguages(texts.languageFile, dataDir), dataDir);
  const bool reading = reader.available();
  if (!reading) err << "snaprill-batch: " << texts.get("History", "NoText") << '\n';

  int status = 0;
  const std::vector<std::string> files = filesIn(folders, err, status);
  int added = 0;
  int done = 0;
  for (const std::string& path : files) {
    ++done;
    if (progressLine) {
      err << "\rsnaprill-batch: indexing " << done << " of " << files.size() << std::flush;
    }
    if (index->contains(path)) continue;
    Bitmap picture;
    try {
      picture = loadPictureFile(path);
    } catch (const FormatError& e) {
      // Not a picture at all: passed over. A picture's name with data that is none
      // is a damaged picture.
      if (e.kind() == FormatErrorKind::NotThisFormat && !hasPictureName(path)) continue;
      if (progressLine) err << '\n';
      err << "snaprill-batch: cannot read picture \"" << path << "\": " << e.what() << '\n';
      status = 1;
      continue;
    } catch (const std::exception& e) {
      if (progressLine) err << '\n';
      err << "snaprill-batch: cannot read picture \"" << path << "\": " << e.what() << '\n';
      status = 1;
      continue;
    }
    std::optional<IndexEntry> entry = entryOf(path, CaptureSource{});
    if (!entry) continue;
    entry->origin.clear();  // not known any more
    try {
      // Each picture lands on its own: an interrupted run keeps what it did.
      index->begin();
      const std::int64_t id = index->record(*entry);
      if (reading) {
        const ReadOutcome outcome = readText(picture, reader);
        index->setText(id, outcome.text, outcome.state, outcome.note);
      }
      index->commit();
      ++added;
    } catch (const IndexError& e) {
      if (progressLine) err << '\n';
      err << "snaprill-batch: --index: " << e.what() << '\n';
      return 1;
    }
  }
  if (progressLine) err << '\r';
  err << "snaprill-batch: " << added << " pictures indexed, " << files.size()
      << " files looked at\n";
  return status;
}

}  // namespace snaprill
