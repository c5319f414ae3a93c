#pragma once

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "service/store/DatabaseWriter.h"
#include "service/store/SqliteConnection.h"
#include "service/store/StoreQueries.h"

namespace ostravel::service {

// The service's database file: created and migrated when opened, one writer thread for every
// change, and a small pool of read connections beside it (WAL lets them read while it writes).
class Database : public StoreReader {
 public:
  // Creates the file if it is missing and brings its schema up to date; throws DatabaseError
  // naming the file and what to do, also for a file it may only read and for one that fails
  // SQLite's quick check. The options go to the writer (see DatabaseWriter).
  explicit Database(const std::filesystem::path& file, DatabaseWriter::Options options = {});
  ~Database() override;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs `read` on a read connection (blocking while all are busy) and returns what it
  // returns, of whatever type.
  template <typename ReadWork>
  auto Read(ReadWork&& read) -> std::invoke_result_t<ReadWork&, SqliteConnection&> {
    Borrowed reader(*this);
    return read(*reader.connection);
  }
  // Runs `change` on the writer and returns its answer once it is committed.
  std::string Write(DatabaseWriter::Change change);
  // Hands `change` to the writer; `done` gets its answer on the writer thread after the commit.
  void WriteAsync(DatabaseWriter::Change change, DatabaseWriter::Done done);

  void Query(const std::function<void(StoreQueries&)>& reads) override;

  const std::filesystem::path& File() const { return file_; }

 private:
  // A read connection for one read, reset and given back when it ends (also by an exception),
  // so that no statement holds a read snapshot open between reads.
  struct Borrowed {
    explicit Borrowed(Database& database);
    ~Borrowed();
    Borrowed(const Borrowed&) = delete;
    Borrowed& operator=(const Borrowed&) = delete;
    Database& owner;
    std::unique_ptr<SqliteConnection> connection;
  };

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
