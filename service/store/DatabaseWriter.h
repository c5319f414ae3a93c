#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "service/store/FileIdentity.h"
#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The database file at the path is no longer the one the server opened (removed or
// replaced): nothing more can be stored where anyone would find it.
class DatabaseGone : public DatabaseError {
 public:
  using DatabaseError::DatabaseError;
};

// The one writer of the database: a thread with its own connection and a queue. Each change
// runs in a savepoint of a transaction that takes every change waiting at that moment (group
// commit), and its caller gets the answer only after that transaction is committed and synced.
// A change that throws is rolled back alone; the others of its group still commit.
class DatabaseWriter {
 public:
  using Change = std::function<std::string(SqliteConnection&)>;
  // The answer of one change, or what it (or its commit) threw; then nothing of it is stored.
  // Runs on the writer thread and must not block.
  using Done = std::function<void(std::string answer, std::exception_ptr failure)>;

  struct Options {
    // Runs on the writer's connection after each commit and before its callers get their
    // answers, so what a caller reads after its answer already holds its change. It must not
    // throw; the changes are stored whatever it does.
    std::function<void(SqliteConnection&)> committed;
    // Called once, on the writer, when the file at the path is found to be another one (or
    // none); every change from then on fails with DatabaseGone.
    std::function<void(const std::string& why)> lost;
    // A pause before each commit, for tests that must see an answer wait for its commit.
    int commit_delay_ms = 0;
  };

  DatabaseWriter(const std::filesystem::path& file, Options options);
  // Commits what is queued, then closes the connection.
  ~DatabaseWriter();
  DatabaseWriter(const DatabaseWriter&) = delete;
  DatabaseWriter& operator=(const DatabaseWriter&) = delete;

  // Runs `change` on the writer's connection and returns its answer once committed; rethrows
  // what the change (or the commit) threw, and then nothing of it is stored.
  std::string Write(Change change);
  // The same without waiting: `done` gets the answer on the writer thread after the commit.
  void WriteAsync(Change change, Done done);

 private:
  struct Pending {
    Change change;
    Done done;
    std::int64_t queuedMs = 0;
  };

  void Loop();
  void RunGroup(std::deque<Pending>& group);
  void CommitGroup(std::deque<Pending>& group, std::vector<std::string>& answers,
                   std::vector<std::exception_ptr>& failures);
  void CheckStillAtPath();
  static void FailAll(std::deque<Pending>& group, const std::exception_ptr& failure);

  SqliteConnection connection_;
  Options options_;
  std::optional<FileIdentity> identity_;
  bool gone_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Pending> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ostravel::service
