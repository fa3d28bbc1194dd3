#include "history/capture_history.h"

#include <dirent.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>

#include "base/free_memory.h"
#include "base/text.h"
#include "formats/loader/picture_loader.h"
#include "history/direct_recorder.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

// The extension without its dot, in lower case ("" for none).
std::string typeOf(const std::string& path) {
  const std::string name = fileNameOf(path);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return {};
  std::string type = name.substr(dot + 1);
  for (char& c : type) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return type;
}

// The output types' extensions, and the other names a picture of a type the readers
// know goes by.
bool pictureType(const std::string& type) {
  for (const OutputTypeInfo& info : outputTypes()) {
    if (info.extension.substr(1) == type) return true;
  }
  for (const char* other : {"jpeg", "jpe", "tiff", "wmf"}) {
    if (type == other) return true;
  }
  return false;
}

}  // namespace

void lowerThreadPriority() {
  sched_param param{};
  param.sched_priority = 0;
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
  // Linux keeps a nice value per thread: this thread's only.
  setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

std::optional<IndexEntry> entryOf(const std::string& path, const CaptureSource& source) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  IndexEntry entry;
  entry.path = path;
  entry.size = st.st_size;
  entry.type = typeOf(path);
  entry.taken =
      source.when == std::chrono::system_clock::time_point{}
          ? static_cast<std::int64_t>(st.st_mtime)
          : std::chrono::duration_cast<std::chrono::seconds>(source.when.time_since_epoch())
                .count();
  entry.origin = std::string(storedName(source.origin));
  entry.application = source.window.application;
  entry.title = source.window.title;
  return entry;
}

bool hasPictureName(const std::string& path) {
  return pictureType(typeOf(path));
}

ReadOutcome readPictureText(const std::string& path, TextReader& reader) {
  Bitmap picture;
  try {
    picture = loadPictureFile(path);
  } catch (const std::exception& e) {
    return {{}, TextState::Skipped, e.what()};
  }
  return readText(picture, reader);
}

ReadOutcome readText(const Bitmap& picture, TextReader& reader) {
  const int shrink = readingShrink(picture.width(), picture.height());
  if (shrink == 0) return {{}, TextState::Skipped, "too large to read"};
  GreyPicture grey = greyPicture(picture, shrink);
  darkTextOnLight(grey);
  std::optional<std::string> text = reader.read(grey);
  if (!text) return {{}, TextState::Skipped, "the text reader failed"};
  return {std::move(*text), TextState::Read,
          shrink > 1 ? "read at 1/" + std::to_string(shrink) + " size" : std::string()};
}

FolderScan scanForPictures(CaptureIndex& index, const std::vector<std::string>& folders,
                           const std::function<bool()>& stopRequested) {
  FolderScan scan;
  for (const std::string& folder : folders) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) continue;
    std::vector<std::string> paths;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.empty() || name[0] == '.' || !hasPictureName(name)) continue;
      paths.push_back(withTrailingSlash(folder) + name);
    }
    ::closedir(dir);
    std::sort(paths.begin(), paths.end());
    for (const std::string& path : paths) {
      if (stopRequested && stopRequested()) return scan;
      if (index.contains(path)) {
        ++scan.known;
        continue;
      }
      // Where it came from is not known any more; its time is the file's.
      std::optional<IndexEntry> entry = entryOf(path, CaptureSource{});
      if (!entry) continue;
      entry->origin.clear();
      index.record(*entry);
      ++scan.added;
    }
  }
  return scan;
}

CaptureHistory::CaptureHistory(HistorySetup setup) : setup_(std::move(setup)) {
  writer_ = std::thread([this] { writerLoop(); });
  reader_ = std::thread([this] { readerLoop(); });
}

CaptureHistory::~CaptureHistory() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  // The picture in hand stays queued in the index for the next start.
  if (setup_.reader) setup_.reader->cancel();
  readerWake_.notify_all();
  reader_.join();
  // The writer last: the reader's last questions go through it.
  {
    std::lock_guard lock(mutex_);
    writerStopping_ = true;
  }
  writerWake_.notify_all();
  writer_.join();
}

void CaptureHistory::post(Job job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  writerWake_.notify_one();
}

void CaptureHistory::withIndex(const std::function<void(CaptureIndex&)>& job) {
  std::promise<void> done;
  std::future<void> result = done.get_future();
  post([&job, &done](CaptureIndex& index) {
    try {
      job(index);
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  result.get();
}

void CaptureHistory::record(const std::string& path, const CaptureSource& source) {
  post([this, path, source](CaptureIndex& index) {
    std::optional<IndexEntry> entry = entryOf(path, source);
    if (!entry) return;  // gone already (the external program moved it)
    {
      std::lock_guard lock(mutex_);
      if (listedApplication(setup_.neverRead, entry->application))
        entry->textState = TextState::NeverRead;
    }
    index.record(*entry);
    if (entry->textState == TextState::Pending) wakeReader();
  });
}

void CaptureHistory::remove(const std::string& path) {
  post([path](CaptureIndex& index) { index.remove(path); });
}

void CaptureHistory::scanFolders(std::vector<std::string> folders) {
  {
    std::lock_guard lock(mutex_);
    scans_.push_back(std::move(folders));
  }
  wakeReader();
}

void CaptureHistory::setNeverRead(std::vector<std::string> applications) {
  std::lock_guard lock(mutex_);
  setup_.neverRead = std::move(applications);
}

void CaptureHistory::flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return jobs_.empty() && !writerBusy_; });
}

void CaptureHistory::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] {
    return jobs_.empty() && !writerBusy_ && !readerWork_ && !readerBusy_ && scans_.empty() &&
           !startupCheck_;
  });
}

CaptureHistory::TextEngine CaptureHistory::textEngine() const {
  std::lock_guard lock(mutex_);
  return textEngine_;
}

std::string CaptureHistory::problem() const {
  std::lock_guard lock(mutex_);
  return problem_;
}

void CaptureHistory::wakeReader() {
  {
    std::lock_guard lock(mutex_);
    readerWork_ = true;
  }
  readerWake_.notify_one();
}

void CaptureHistory::writerLoop() {
  std::unique_ptr<CaptureIndex> index;
  // Another program may hold the index past the busy wait (a long --index run's
  // picture): a few more tries before the history gives up for this run.
  for (int attempt = 0; !index && attempt < 3; ++attempt) {
    try {
      index = CaptureIndex::open(setup_.indexPath, true);
      if (index->made() && setup_.rebuildWhenMissing) {
        std::lock_guard lock(mutex_);
        scans_.push_back(setup_.folders);
      }
    } catch (const IndexError& e) {
      std::lock_guard lock(mutex_);
      problem_ = e.what();
      if (e.kind() != IndexErrorKind::Busy || stopping_) break;
    } catch (const std::exception& e) {
      std::lock_guard lock(mutex_);
      problem_ = e.what();
      break;
    }
  }
  if (index) {
    std::lock_guard lock(mutex_);
    problem_.clear();
  }
  wakeReader();
  std::unique_lock lock(mutex_);
  for (;;) {
    writerWake_.wait(lock, [this] { return writerStopping_ || !jobs_.empty(); });
    if (jobs_.empty()) break;  // stopping, every record written
    std::deque<Job> jobs;
    jobs.swap(jobs_);
    writerBusy_ = true;
    lock.unlock();
    // Everything that came together lands in one transaction: one write to the
    // disk for a burst of captures or a scan.
    bool inTransaction = false;
    for (Job& job : jobs) {
      try {
        if (!index) throw IndexError(IndexErrorKind::Unavailable, problem());
        if (!inTransaction && index->writable()) {
          index->begin();
          inTransaction = true;
        }
        job(*index);
      } catch (const std::exception& e) {
        std::lock_guard problemLock(mutex_);
        problem_ = e.what();
      }
    }
    if (inTransaction) {
      try {
        index->commit();
      } catch (const std::exception& e) {
        std::lock_guard problemLock(mutex_);
        problem_ = e.what();
      }
    }
    lock.lock();
    writerBusy_ = false;
    idle_.notify_all();
  }
}

void CaptureHistory::readerLoop() {
  lowerThreadPriority();
  std::unique_lock lock(mutex_);
  for (;;) {
    readerWake_.wait(lock, [this] { return stopping_ || readerWork_; });
    if (stopping_) break;
    readerWork_ = false;
    readerBusy_ = true;
    const bool check = std::exchange(startupCheck_, false);
    lock.unlock();
    try {
      if (check) checkFiles();
      for (;;) {
        std::vector<std::string> folders;
        {
          std::lock_guard scanLock(mutex_);
          if (scans_.empty() || stopping_) break;
          folders = std::move(scans_.front());
          scans_.pop_front();
        }
        withIndex([&](CaptureIndex& index) { scanForPictures(index, folders); });
      }
      readPending();
    } catch (const std::exception& e) {
      std::lock_guard problemLock(mutex_);
      problem_ = e.what();
    }
    if (setup_.reader) setup_.reader->release();
    returnFreeMemoryToSystem();
    lock.lock();
    readerBusy_ = false;
    idle_.notify_all();
  }
}

void CaptureHistory::checkFiles() {
  // Files deleted, moved or renamed outside Snaprill leave the results.
  std::vector<std::string> paths;
  withIndex([&paths](CaptureIndex& index) { paths = index.allPaths(); });
  std::vector<std::string> gone;
  for (const std::string& path : paths) {
    if (::access(path.c_str(), F_OK) != 0) gone.push_back(path);
  }
  if (gone.empty()) return;
  withIndex([&gone](CaptureIndex& index) {
    for (const std::string& path : gone) index.remove(path);
  });
}

void CaptureHistory::readPending() {
  if (!setup_.reader) return;
  std::int64_t after = 0;
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    std::optional<PendingPicture> next;
    withIndex([&](CaptureIndex& index) { next = index.nextPending(after); });
    if (!next) return;
    after = next->id;
    if (!setup_.reader->available()) {
      // Without the engine or its language data the pictures keep their place in the
      // queue: read once the data is installed.
      std::lock_guard lock(mutex_);
      textEngine_ = TextEngine::Missing;
      return;
    }
    {
      std::lock_guard lock(mutex_);
      textEngine_ = TextEngine::Available;
    }
    const ReadOutcome outcome = readPictureText(next->path, *setup_.reader);
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;  // given up for the quit: still to be read
    }
    const std::int64_t id = next->id;
    withIndex(
        [&](CaptureIndex& index) { index.setText(id, outcome.text, outcome.state, outcome.note); });
  }
}

}  // namespace snaprill
