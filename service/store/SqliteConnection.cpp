#include "service/store/SqliteConnection.h"

#include <sqlite3.h>

namespace ostravel::service {
namespace {

// How long a connection waits for another one's lock (an admin command beside the server,
// a backup) before it gives up: well below the patience of a client waiting for its answer,
// so that the client hears "busy" rather than nothing.
constexpr int kBusyTimeoutMs = 5000;

[[noreturn]] void Throw(int code, const std::string& text) {
  if ((code & 0xff) == SQLITE_BUSY) throw DatabaseBusy(text);
  if ((code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB) {
    throw DatabaseCorrupt(text);
  }
  throw DatabaseError(text);
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, sqlite3_stmt* statement, std::string where)
    : db_(db), statement_(statement), where_(std::move(where)) {}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(statement_);
}

void SqliteStatement::Check(int code, const char* what) const {
  if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return;
  Throw(code, where_ + ": " + what + ": " + sqlite3_errmsg(db_));
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
  Check(sqlite3_bind_int64(statement_, index, value), "bind");
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  Check(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT),
        "bind");
  return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
  Check(sqlite3_bind_null(statement_, index), "bind");
  return *this;
}

bool SqliteStatement::Step() {
  const int code = sqlite3_step(statement_);
  Check(code, "step");
  return code == SQLITE_ROW;
}

void SqliteStatement::Run() {
  while (Step()) {
  }
}

std::int64_t SqliteStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  if (!text) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)));
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

bool SqliteStatement::IsInteger(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_INTEGER;
}

int SqliteStatement::Columns() const {
  return sqlite3_column_count(statement_);
}

std::string SqliteStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(statement_, column);
  return name ? name : "";
}

void SqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

SqliteConnection::SqliteConnection(const std::filesystem::path& file, Mode mode) : file_(file) {
  const int flags = mode == Mode::kReadWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                    : mode == Mode::kInspect ? SQLITE_OPEN_READONLY
                                             : SQLITE_OPEN_READWRITE;
  // Each connection belongs to one thread at a time; SQLite's own mutexes are not needed.
  if (sqlite3_open_v2(file.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    const std::string reason = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw DatabaseError("cannot open the database " + file.string() + ": " + reason +
                        (mode != Mode::kReadWrite ? " (create it with ostravel-service serve)"
                                                  : " (check the folder and its permissions)"));
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 1);
  try {
    if (mode == Mode::kInspect) {
      // Reads the file without any change; a damaged or foreign file fails here, not later.
      QueryInt("PRAGMA schema_version");
      return;
    }
    Exec("PRAGMA journal_mode=WAL");
    // Debian's libsqlite3 is built with SQLITE_DEFAULT_WAL_SYNCHRONOUS=2, so WAL already syncs
    // at every commit there; set FULL anyway, so that an answer is proof of a stored change
    // with any build of the library.
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=ON");
    if (mode == Mode::kReadOnly) Exec("PRAGMA query_only=1");
  } catch (...) {
    // A file that is no database opens and fails only here; the destructor will not run.
    statements_.clear();
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

SqliteConnection::~SqliteConnection() {
  statements_.clear();
  sqlite3_close(db_);
}

void SqliteConnection::Fail(const std::string& what) const {
  Throw(sqlite3_extended_errcode(db_), file_.string() + ": " + what + ": " + sqlite3_errmsg(db_));
}

void SqliteConnection::Exec(std::string_view sql) {
  const std::string text(sql);
  char* message = nullptr;
  if (const int code = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
      code != SQLITE_OK) {
    const std::string reason = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    Throw(code, file_.string() + ": " + reason);
  }
}

SqliteStatement& SqliteConnection::Prepare(std::string_view sql) {
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr) != SQLITE_OK) {
      Fail("cannot prepare a statement");
    }
    it = statements_
             .emplace(std::string(sql),
                      std::make_unique<SqliteStatement>(db_, statement, file_.string()))
             .first;
  }
  it->second->Reset();
  return *it->second;
}

std::int64_t SqliteConnection::QueryInt(std::string_view sql) {
  SqliteStatement& statement = Prepare(sql);
  const std::int64_t value = statement.Step() ? statement.Int(0) : 0;
  statement.Reset();
  return value;
}

void SqliteConnection::ResetAll() {
  for (auto& [sql, statement] : statements_) statement->Reset();
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
  sqlite3_busy_timeout(db_, milliseconds);
}

bool SqliteConnection::IsReadOnly() const {
  return sqlite3_db_readonly(db_, "main") == 1;
}

std::int64_t SqliteConnection::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_);
}

int SqliteConnection::Changes() const {
  return sqlite3_changes(db_);
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection) : connection_(connection) {
  connection_.Exec("BEGIN IMMEDIATE");
}

SqliteTransaction::~SqliteTransaction() {
  if (done_) return;
  try {
    connection_.Exec("ROLLBACK");
  } catch (const DatabaseError&) {
    // The transaction is gone already (SQLite rolls back by itself on some errors).
  }
}

void SqliteTransaction::Commit() {
  connection_.Exec("COMMIT");
  done_ = true;
}

}  // namespace ostravel::service
