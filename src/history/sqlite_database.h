// A thin hold on SQLite: one connection, its prepared statements, and one error type
// for everything that can go wrong with the index file. Nothing here knows what the
// index holds (capture_index.h does).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace snaprill {

enum class IndexErrorKind {
  Damaged,      // the file is not a database, or its pages are corrupt
  Busy,         // another program held the index longer than we wait
  Unavailable,  // it cannot be opened or written (permissions, full disk, ...)
};

class IndexError : public std::runtime_error {
 public:
  IndexError(IndexErrorKind kind, const std::string& what)
      : std::runtime_error(what), kind_(kind) {}
  IndexErrorKind kind() const { return kind_; }

 private:
  IndexErrorKind kind_;
};

class Statement;

class Database {
 public:
  // Opens (readOnly: never creates) the file. Throws IndexError.
  Database(const std::string& path, bool readOnly);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs statements that return no rows. Throws IndexError.
  void exec(const char* sql);
  Statement prepare(std::string_view sql);
  std::int64_t lastInsertId() const;
  int changes() const;
  // Throws the IndexError of a result code other than OK, ROW and DONE.
  void check(int result) const;

  sqlite3* handle() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(const Database& db, sqlite3_stmt* statement) : db_(&db), statement_(statement) {}
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters count from 1, as SQLite's do. Return *this for chaining.
  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text);
  // The next row: true while there is one. Throws IndexError.
  bool step();
  // Runs a statement that returns no rows.
  void run() {
    step();
    reset();
  }
  void reset();

  std::int64_t integer(int column) const;
  std::string text(int column) const;

 private:
  const Database* db_;
  sqlite3_stmt* statement_;
};

}  // namespace snaprill
