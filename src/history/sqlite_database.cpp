#include "history/sqlite_database.h"

#include <sqlite3.h>

#include <utility>

namespace snaprill {

namespace {

// Another program (a second Snaprill, snaprill-batch --index) may hold the write
// lock while it records one capture: waiting this long covers that, and a reader
// never waits for a writer at all (write-ahead log).
constexpr int kBusyTimeoutMs = 5000;

IndexErrorKind kindOf(int result) {
  switch (result & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return IndexErrorKind::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return IndexErrorKind::Busy;
    default:
      return IndexErrorKind::Unavailable;
  }
}

}  // namespace

Database::Database(const std::string& path, bool readOnly) {
  const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                    SQLITE_OPEN_NOMUTEX;
  const int result = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (result != SQLITE_OK) {
    const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result);
    sqlite3_close(db_);
    db_ = nullptr;
    throw IndexError(kindOf(result), "cannot open the capture history " + path + ": " + why);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Database::~Database() {
  sqlite3_close_v2(db_);
}

void Database::check(int result) const {
  if (result == SQLITE_OK || result == SQLITE_ROW || result == SQLITE_DONE) return;
  throw IndexError(kindOf(result), std::string("capture history: ") + sqlite3_errmsg(db_));
}

void Database::exec(const char* sql) {
  check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
}

Statement Database::prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  check(sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr));
  return Statement(*this, statement);
}

std::int64_t Database::lastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

int Database::changes() const {
  return sqlite3_changes(db_);
}

Statement::~Statement() {
  sqlite3_finalize(statement_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr)) {}

Statement& Statement::bind(int index, std::int64_t value) {
  db_->check(sqlite3_bind_int64(statement_, index, value));
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  db_->check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT));
  return *this;
}

bool Statement::step() {
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW) return true;
  if (result == SQLITE_DONE) return false;
  sqlite3_reset(statement_);
  db_->check(result);
  return false;
}

void Statement::reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

std::int64_t Statement::integer(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string Statement::text(int column) const {
  const auto* bytes = sqlite3_column_text(statement_, column);
  if (!bytes) return {};
  return std::string(reinterpret_cast<const char*>(bytes),
                     static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

}  // namespace snaprill
