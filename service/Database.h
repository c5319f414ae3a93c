#pragma once

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/DatabaseWriter.h"
#include "service/SqliteConnection.h"

namespace ostravel::service {

// The service's database file: created and migrated when opened, one writer thread for every
// change, and a small pool of read connections beside it (WAL lets them read while it writes).
class Database {
 public:
  // Creates the file if it is missing and brings its schema up to date; throws DatabaseError
  // naming the file and what to do, also for a file it may only read and for one that fails
  // SQLite's quick check. The options go to the writer (see DatabaseWriter).
  explicit Database(const std::filesystem::path& file, DatabaseWriter::Options options = {});
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs `read` on a read connection (blocking while all are busy) and returns its answer.
  std::string Read(const std::function<std::string(SqliteConnection&)>& read);
  // Runs `change` on the writer and returns its answer once it is committed.
  std::string Write(DatabaseWriter::Change change);
  // Hands `change` to the writer; `done` gets its answer on the writer thread after the commit.
  void WriteAsync(DatabaseWriter::Change change, DatabaseWriter::Done done);

  const std::filesystem::path& File() const { return file_; }

 private:
  std::unique_ptr<SqliteConnection> TakeReader();
  void GiveBack(std::unique_ptr<SqliteConnection> reader);

  std::filesystem::path file_;
  std::unique_ptr<DatabaseWriter> writer_;
  std::mutex mutex_;
  std::condition_variable returned_;
  std::vector<std::unique_ptr<SqliteConnection>> idle_readers_;
  int open_readers_ = 0;
};

}  // namespace ostravel::service
