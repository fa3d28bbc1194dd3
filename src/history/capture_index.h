// The capture history's file: one SQLite database beside the settings (see
// index_location.h) that lists every capture saved, with the window it came from,
// its time, and the text read from the picture, searchable word by word.
//
//   captures       one row per picture file: path (unique), time taken (seconds
//                  since the epoch), size in bytes, type (its extension), origin
//                  (CaptureSource's stored name), application, window title, the
//                  state of its text (TextState) and a note on it
//   capture_words  the full-text table (FTS5): the picture's text, the window title,
//                  the application and the file name; its rowid is the capture's id
//
// The schema's version is the database's user_version; an index of a later version
// is left alone (opened read-only). Write-ahead logging lets readers (the History
// window, snaprill --find) search while a writer records, and SQLite's locks keep two
// writers (two programs) from ever mixing their writes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/search_query.h"
#include "history/sqlite_database.h"

namespace snaprill {

enum class TextState : int {
  Pending = 0,    // to be read by the text reader
  Read = 1,       // read (the text may be empty: a picture without words)
  NeverRead = 2,  // its application is on the list of those never read
  Skipped = 3,    // could not be read: the note says why (too large, no reader)
};

struct IndexEntry {
  std::string path;
  std::int64_t taken = 0;  // seconds since the epoch
  std::int64_t size = 0;
  std::string type;    // the file's extension, without its dot, in lower case
  std::string origin;  // storedName(CaptureOrigin)
  std::string application;
  std::string title;
  TextState textState = TextState::Pending;
};

struct FoundCapture {
  std::int64_t id = 0;
  std::string path;
  std::int64_t taken = 0;
  std::string origin;
  std::string application;
  std::string title;
  // A piece of the matching text, each matching word between kMatchStart and
  // kMatchEnd; empty without search words.
  std::string excerpt;
};

inline constexpr char kMatchStart = '\x02';
inline constexpr char kMatchEnd = '\x03';

// All that is known of one capture, to put it back as it was (undoing a delete).
struct StoredCapture {
  IndexEntry entry;
  std::string text;
  std::string note;
};

struct PendingPicture {
  std::int64_t id = 0;
  std::string path;
};

class CaptureIndex {
 public:
  static constexpr int kSchemaVersion = 1;

  // Opens the index at path. Writable: makes it when missing (the file 0600; its
  // folder must exist), and moves a damaged one aside (to path + ".damaged") and
  // starts a new one; made() then says the folders are to be scanned again. With
  // checkPages every page is read first (a long-running program's start), so that
  // damage anywhere is found then. Read only: never makes nor changes anything.
  // Throws IndexError.
  static std::unique_ptr<CaptureIndex> open(const std::string& path, bool writable,
                                            bool checkPages = true);

  // The index was made now (missing or damaged before).
  bool made() const { return made_; }
  bool writable() const { return writable_; }

  // Adds the capture, or replaces what was known of the same path (a number used
  // again after its file was deleted). Returns its id.
  std::int64_t record(const IndexEntry& entry);
  // The text read from the picture, or why none was.
  void setText(std::int64_t id, const std::string& text, TextState state,
               const std::string& note = {});
  void remove(const std::string& path);
  // The oldest capture whose text is still to be read, after `after` (an id).
  std::optional<PendingPicture> nextPending(std::int64_t after = 0);
  int pendingCount();

  // Captures that match, newest first, at most `limit`, from `offset` on.
  std::vector<FoundCapture> search(const SearchQuery& query, int limit, int offset = 0);
  bool contains(const std::string& path);
  // Every path known, for the check that their files are still there.
  std::vector<std::string> allPaths();
  // The text read from a capture ("" when none), for tests and tools.
  std::string textOf(const std::string& path);
  std::optional<StoredCapture> find(const std::string& path);
  // Puts a capture back as find() gave it.
  void restore(const StoredCapture& capture);

  // Every write between begin and commit lands at once, or not at all.
  void begin();
  void commit();

 private:
  CaptureIndex(std::unique_ptr<Database> db, bool writable, bool made);
  // Makes a new index at path, whole; false when another program made one first.
  static bool makeWhole(const std::string& path);
  void makeSchema();

  std::unique_ptr<Database> db_;
  bool writable_;
  bool made_;
};

// The file name part of a path (after its last "/").
std::string fileNameOf(const std::string& path);

}  // namespace snaprill
