// The capture history as the programs use it: every saved picture recorded in the
// index (capture_index.h), and the words in it read in the background.
//
// Two threads of its own, so that neither the capture nor the window ever waits
// for the index: a writer, the only one that writes to the index, and a reader of
// text at idle priority (SCHED_IDLE and nice 19), which reads one picture at a
// time. What is still to be read waits in the index, so a quit or a crash loses
// no work: the next start goes on where this one stopped. While nothing arrives,
// both threads sleep on a condition with no time limit: no timer, no wakeup.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "history/capture_index.h"
#include "history/text_reader.h"
#include "platform/capture_source.h"

namespace snaprill {

struct HistorySetup {
  std::string indexPath;
  // Folders whose pictures are indexed again when the index was missing or damaged
  // (the output folders).
  std::vector<std::string> folders;
  // Reads the words; nullptr: none are read, and captures keep everything else.
  std::unique_ptr<TextReader> reader;
  // A missing index is filled from the folders (it was there before and got lost);
  // otherwise a missing index starts empty.
  bool rebuildWhenMissing = true;
  // Applications whose captures are saved but never read for text (any case).
  std::vector<std::string> neverRead;
};

// How a folder scan went: pictures added, and files that are no pictures the
// readers know or could not be read (path, why).
struct FolderScan {
  int added = 0;
  int known = 0;
  std::vector<std::pair<std::string, std::string>> unreadable;
};

class CaptureHistory {
 public:
  explicit CaptureHistory(HistorySetup setup);
  // The records in hand are written; reading stops after the picture in hand, the
  // rest waits in the index.
  ~CaptureHistory();
  CaptureHistory(const CaptureHistory&) = delete;
  CaptureHistory& operator=(const CaptureHistory&) = delete;

  // Records a saved picture (its size and type read from the file) and queues its
  // text. Returns at once.
  void record(const std::string& path, const CaptureSource& source);
  void remove(const std::string& path);
  // Adds the pictures of the folders that the index does not know yet, at idle
  // priority, in the background.
  void scanFolders(std::vector<std::string> folders);
  void setNeverRead(std::vector<std::string> applications);

  // Waits until every record so far is in the index.
  void flush();
  // Waits until the text of every picture recorded so far is read (or found
  // unreadable), the start-up check included. For snaprill-batch and tests.
  void waitUntilIdle();

  enum class TextEngine { NotYetKnown, Available, Missing };
  // Whether text can be read: Missing once the reader found no engine or no
  // language data (the History window says so once).
  TextEngine textEngine() const;
  // Why the index cannot be opened or written, when it cannot; else empty.
  std::string problem() const;

  // Runs a job on the writer thread with the index and waits for it. Throws what the
  // job throws; IndexError when there is no index.
  void withIndex(const std::function<void(CaptureIndex&)>& job);

 private:
  using Job = std::function<void(CaptureIndex&)>;
  void post(Job job);
  void writerLoop();
  void readerLoop();
  void checkFiles();
  void readPending();
  void wakeReader();

  HistorySetup setup_;
  mutable std::mutex mutex_;
  std::condition_variable writerWake_;
  std::condition_variable readerWake_;
  std::condition_variable idle_;
  std::deque<Job> jobs_;
  std::deque<std::vector<std::string>> scans_;
  bool stopping_ = false;        // the reader stops (and no new reading starts)
  bool writerStopping_ = false;  // then the writer, once every record is written
  bool writerBusy_ = false;
  bool readerWork_ = false;
  bool readerBusy_ = false;
  bool startupCheck_ = true;
  TextEngine textEngine_ = TextEngine::NotYetKnown;
  std::string problem_;
  std::thread writer_;
  std::thread reader_;
};

// Scans the folders for picture files the index does not know and records them
// (origin empty, time from the file, text pending). Files that are no picture the
// readers know are left out. For the history's reader and snaprill-batch --index.
FolderScan scanForPictures(CaptureIndex& index, const std::vector<std::string>& folders,
                           const std::function<bool()>& stopRequested = {});

// The entry of a saved picture: size and type from the file, time and window from
// the source. Nothing when the file is not there.
std::optional<IndexEntry> entryOf(const std::string& path, const CaptureSource& source);

// Reads the text of one picture for the index: the state and note to store.
struct ReadOutcome {
  std::string text;
  TextState state = TextState::Read;
  std::string note;
};
ReadOutcome readPictureText(const std::string& path, TextReader& reader);
ReadOutcome readText(const Bitmap& picture, TextReader& reader);

// Whether the file's name is that of a picture of a type the readers know (by its
// extension, in any letter case).
bool hasPictureName(const std::string& path);

// Lowers the calling thread to idle priority: SCHED_IDLE, and nice 19 where that is
// refused.
void lowerThreadPriority();

}  // namespace snaprill
