#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ostravel::service {

// A failure of the database, with the file it concerns in its text.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file is no SQLite database, or a damaged one.
class DatabaseCorrupt : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// Another connection (an admin's tool, a second process) held the lock for the whole busy
// time-out: nothing of the statement took effect, and a later try may succeed.
class DatabaseBusy : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// One prepared statement, kept by its connection and reused: Bind, then Step until it gives
// no more rows; the next Prepare of the same text resets it. Parameters are numbered from 1.
class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, sqlite3_stmt* statement, std::string where);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& Bind(int index, std::int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  SqliteStatement& Bind(int index, const std::string& text) {
    return Bind(index, std::string_view(text));
  }
  SqliteStatement& BindNull(int index);

  // Runs to the next row: true when there is one.
  bool Step();
  // Runs a statement that gives no rows.
  void Run();

  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;
  bool IsInteger(int column) const;
  int Columns() const;
  std::string ColumnName(int column) const;

  void Reset();

 private:
  void Check(int code, const char* what) const;

  sqlite3* db_;
  sqlite3_stmt* statement_;
  std::string where_;
};

// Every row the statement gives, each made by `read_row` from the statement's columns.
template <typename ReadRow>
auto ReadRows(SqliteStatement& statement, ReadRow read_row) {
  std::vector<std::invoke_result_t<ReadRow&, SqliteStatement&>> rows;
  while (statement.Step()) rows.push_back(read_row(statement));
  return rows;
}

// One connection to the database file, with the pragmas every connection needs. Not
// thread-safe: one thread uses a connection at a time.
class SqliteConnection {
 public:
  // kInspect: opened by SQLite read-only and left as it is (no journal mode set), for the
  // admin's commands that only read, which may run as a user who may only read the file.
  enum class Mode { kReadWrite, kReadOnly, kInspect };

  // Opens (and with kReadWrite creates) the file; throws DatabaseError naming it.
  SqliteConnection(const std::filesystem::path& file, Mode mode);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Statements without parameters and without rows (schema, pragmas, BEGIN, COMMIT).
  void Exec(std::string_view sql);
  // The statement for this text, prepared on first use and kept; reset and unbound.
  SqliteStatement& Prepare(std::string_view sql);
  // The single integer a query such as "PRAGMA user_version" gives.
  std::int64_t QueryInt(std::string_view sql);

  // Resets every kept statement, so that none holds a read snapshot open between uses.
  void ResetAll();

  // How long a statement waits for another connection's lock before it fails with
  // DatabaseBusy.
  void SetBusyTimeout(int milliseconds);
  // True when SQLite could open the file for reading only (its mode or its owner).
  bool IsReadOnly() const;

  std::int64_t LastInsertId() const;
  int Changes() const;
  const std::filesystem::path& File() const { return file_; }

 private:
  [[noreturn]] void Fail(const std::string& what) const;

  std::filesystem::path file_;
  sqlite3* db_ = nullptr;
  std::map<std::string, std::unique_ptr<SqliteStatement>, std::less<>> statements_;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when left without Commit (an exception).
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteConnection& connection);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;
  void Commit();

 private:
  SqliteConnection& connection_;
  bool done_ = false;
};

}  // namespace ostravel::service
