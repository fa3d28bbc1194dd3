#include "history/capture_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <limits>

namespace snaprill {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE captures("
    " id INTEGER PRIMARY KEY,"
    " path TEXT NOT NULL UNIQUE,"
    " taken INTEGER NOT NULL,"
    " size INTEGER NOT NULL DEFAULT 0,"
    " type TEXT NOT NULL DEFAULT '',"
    " origin TEXT NOT NULL DEFAULT '',"
    " application TEXT NOT NULL DEFAULT '',"
    " title TEXT NOT NULL DEFAULT '',"
    " text_state INTEGER NOT NULL DEFAULT 0,"
    " note TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX captures_by_time ON captures(taken, id);"
    "CREATE INDEX captures_pending ON captures(id) WHERE text_state = 0;"
    // Accents folded, so that "resume" finds "résumé".
    "CREATE VIRTUAL TABLE capture_words USING fts5(text, title, application, name,"
    " tokenize = 'unicode61 remove_diacritics 2');";

// Makes the file with no permission for anyone else before SQLite opens it; SQLite
// gives its log files the same permissions.
void makePrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return;  // SQLite's own open says why
  ::fchmod(fd, 0600);
  ::close(fd);
}

void removeDatabaseFiles(const std::string& path) {
  for (const char* suffix : {"-wal", "-shm"}) std::remove((path + suffix).c_str());
}

// The writable connection's settings, and the schema when the file is new; the
// version of the schema it holds.
int prepareWritable(Database& db) {
  db.exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
  Statement version = db.prepare("PRAGMA user_version");
  version.step();
  return static_cast<int>(version.integer(0));
}

// Reads every page: a damaged file shows itself here rather than halfway through a
// search.
void checkWhole(Database& db) {
  Statement check = db.prepare("PRAGMA quick_check");
  if (!check.step() || check.text(0) != "ok")
    throw IndexError(IndexErrorKind::Damaged, "capture history: damaged");
}

}  // namespace

std::string fileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

CaptureIndex::CaptureIndex(std::unique_ptr<Database> db, bool writable, bool made)
    : db_(std::move(db)), writable_(writable), made_(made) {}

std::unique_ptr<CaptureIndex> CaptureIndex::open(const std::string& path, bool writable,
                                                 bool checkPages) {
  if (!writable) {
    auto db = std::make_unique<Database>(path, true);
    return std::unique_ptr<CaptureIndex>(new CaptureIndex(std::move(db), false, false));
  }
  bool made = false;
  for (int attempt = 0;; ++attempt) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || st.st_size == 0) made = makeWhole(path) || made;
    try {
      auto db = std::make_unique<Database>(path, false);
      const int version = prepareWritable(*db);
      if (version > kSchemaVersion) {
        // A later Snaprill's index: searched, never changed.
        db.reset();
        return open(path, false);
      }
      if (version != kSchemaVersion) throw IndexError(IndexErrorKind::Damaged, "no schema");
      std::unique_ptr<CaptureIndex> index(new CaptureIndex(std::move(db), true, made));
      if (checkPages) checkWhole(*index->db_);
      return index;
    } catch (const IndexError& e) {
      if (e.kind() != IndexErrorKind::Damaged || attempt > 0) throw;
      // Kept for whoever wants to look at it; the pictures themselves are all still
      // in their folders, and a scan of them brings every one back.
      std::rename(path.c_str(), (path + ".damaged").c_str());
      removeDatabaseFiles(path);
    }
  }
}

bool CaptureIndex::makeWhole(const std::string& path) {
  // Made under another name and linked into place whole: a reader (snaprill --find)
  // never meets a file without its tables, and of two programs making it at once
  // one wins and the other uses its index.
  const std::string made = path + ".new-" + std::to_string(::getpid());
  removeDatabaseFiles(made);
  std::remove(made.c_str());
  makePrivateFile(made);
  {
    auto db = std::make_unique<Database>(made, false);
    prepareWritable(*db);
    CaptureIndex index(std::move(db), true, true);
    index.makeSchema();
  }
  std::remove(path.c_str());  // an empty file left by a crash
  const bool linked = ::link(made.c_str(), path.c_str()) == 0;
  std::remove(made.c_str());
  removeDatabaseFiles(made);
  return linked;
}

void CaptureIndex::makeSchema() {
  begin();
  db_->exec(kSchema);
  db_->exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
  commit();
}

void CaptureIndex::begin() {
  db_->exec("BEGIN IMMEDIATE");
}

void CaptureIndex::commit() {
  db_->exec("COMMIT");
}

std::int64_t CaptureIndex::record(const IndexEntry& e) {
  Statement find = db_->prepare("SELECT id FROM captures WHERE path = ?1");
  find.bind(1, e.path);
  const bool known = find.step();
  std::int64_t id = known ? find.integer(0) : 0;
  // A path recorded again (its number used anew after the file was deleted) keeps
  // its row; its old words go.
  if (known) db_->prepare("DELETE FROM capture_words WHERE rowid = ?1").bind(1, id).run();
  Statement write = db_->prepare(
      known ? "UPDATE captures SET taken = ?2, size = ?3, type = ?4, origin = ?5,"
              " application = ?6, title = ?7, text_state = ?8, note = '' WHERE id = ?1"
            : "INSERT INTO captures(path, taken, size, type, origin, application, title,"
              " text_state) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  if (known) {
    write.bind(1, id);
  } else {
    write.bind(1, e.path);
  }
  write.bind(2, e.taken)
      .bind(3, e.size)
      .bind(4, e.type)
      .bind(5, e.origin)
      .bind(6, e.application)
      .bind(7, e.title)
      .bind(8, static_cast<std::int64_t>(e.textState))
      .run();
  if (!known) id = db_->lastInsertId();
  db_->prepare(
         "INSERT INTO capture_words(rowid, text, title, application, name)"
         " VALUES(?1, '', ?2, ?3, ?4)")
      .bind(1, id)
      .bind(2, e.title)
      .bind(3, e.application)
      .bind(4, fileNameOf(e.path))
      .run();
  return id;
}

void CaptureIndex::setText(std::int64_t id, const std::string& text, TextState state,
                           const std::string& note) {
  db_->prepare("UPDATE captures SET text_state = ?2, note = ?3 WHERE id = ?1")
      .bind(1, id)
      .bind(2, static_cast<std::int64_t>(state))
      .bind(3, note)
      .run();
  db_->prepare("UPDATE capture_words SET text = ?2 WHERE rowid = ?1")
      .bind(1, id)
      .bind(2, text)
      .run();
}

void CaptureIndex::remove(const std::string& path) {
  Statement find = db_->prepare("SELECT id FROM captures WHERE path = ?1");
  find.bind(1, path);
  if (!find.step()) return;
  const std::int64_t id = find.integer(0);
  db_->prepare("DELETE FROM capture_words WHERE rowid = ?1").bind(1, id).run();
  db_->prepare("DELETE FROM captures WHERE id = ?1").bind(1, id).run();
}

std::optional<PendingPicture> CaptureIndex::nextPending(std::int64_t after) {
  Statement next = db_->prepare(
      "SELECT id, path FROM captures WHERE text_state = 0 AND id > ?1 ORDER BY id LIMIT 1");
  next.bind(1, after);
  if (!next.step()) return std::nullopt;
  return PendingPicture{next.integer(0), next.text(1)};
}

int CaptureIndex::pendingCount() {
  Statement count = db_->prepare("SELECT count(*) FROM captures WHERE text_state = 0");
  count.step();
  return static_cast<int>(count.integer(0));
}

std::vector<FoundCapture> CaptureIndex::search(const SearchQuery& query, int limit, int offset) {
  const std::string match = matchExpression(query.words);
  std::string sql = "SELECT id, path, taken, origin, application, title FROM captures WHERE";
  if (!match.empty())
    sql += " id IN (SELECT rowid FROM capture_words WHERE capture_words MATCH ?1) AND";
  sql +=
      " taken >= ?2 AND taken < ?3 AND (?4 = '' OR instr(lower(application), lower(?4)) > 0)"
      " ORDER BY taken DESC, id DESC LIMIT ?5 OFFSET ?6";
  Statement find = db_->prepare(sql);
  if (!match.empty()) find.bind(1, match);
  find.bind(2, query.time ? query.time->since : std::numeric_limits<std::int64_t>::min())
      .bind(3, query.time ? query.time->until : std::numeric_limits<std::int64_t>::max())
      .bind(4, query.application)
      .bind(5, static_cast<std::int64_t>(limit))
      .bind(6, static_cast<std::int64_t>(offset));
  std::vector<FoundCapture> found;
  while (find.step()) {
    found.push_back(FoundCapture{find.integer(0),
                                 find.text(1),
                                 find.integer(2),
                                 find.text(3),
                                 find.text(4),
                                 find.text(5),
                                 {}});
  }
  if (match.empty()) return found;
  // Excerpts only for the rows shown: making one costs more than finding the row.
  Statement excerpt = db_->prepare(
      "SELECT snippet(capture_words, -1, char(2), char(3), '…', 12) FROM capture_words"
      " WHERE capture_words MATCH ?1 AND rowid = ?2");
  for (FoundCapture& f : found) {
    excerpt.bind(1, match).bind(2, f.id);
    if (excerpt.step()) f.excerpt = excerpt.text(0);
    excerpt.reset();
  }
  return found;
}

bool CaptureIndex::contains(const std::string& path) {
  Statement find = db_->prepare("SELECT 1 FROM captures WHERE path = ?1");
  find.bind(1, path);
  return find.step();
}

std::vector<std::string> CaptureIndex::allPaths() {
  Statement all = db_->prepare("SELECT path FROM captures ORDER BY id");
  std::vector<std::string> paths;
  while (all.step()) paths.push_back(all.text(0));
  return paths;
}

std::string CaptureIndex::textOf(const std::string& path) {
  Statement find = db_->prepare(
      "SELECT w.text FROM captures c JOIN capture_words w ON w.rowid = c.id WHERE c.path = ?1");
  find.bind(1, path);
  return find.step() ? find.text(0) : std::string();
}

std::optional<StoredCapture> CaptureIndex::find(const std::string& path) {
  Statement find = db_->prepare(
      "SELECT c.taken, c.size, c.type, c.origin, c.application, c.title, c.text_state, c.note,"
      " w.text FROM captures c JOIN capture_words w ON w.rowid = c.id WHERE c.path = ?1");
  find.bind(1, path);
  if (!find.step()) return std::nullopt;
  StoredCapture stored;
  stored.entry = IndexEntry{
      path,         find.integer(0), find.integer(1), find.text(2),
      find.text(3), find.text(4),    find.text(5),    static_cast<TextState>(find.integer(6))};
  stored.note = find.text(7);
  stored.text = find.text(8);
  return stored;
}

void CaptureIndex::restore(const StoredCapture& capture) {
  const std::int64_t id = record(capture.entry);
  if (capture.entry.textState != TextState::Pending)
    setText(id, capture.text, capture.entry.textState, capture.note);
}

}  // namespace snaprill
