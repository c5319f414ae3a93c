#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The one writer of the database: a thread with its own connection and a queue. Each change
// runs in a savepoint of a transaction that takes every change waiting at that moment (group
// commit), and its caller gets the answer only after that transaction is committed and synced.
// A change that throws is rolled back alone; the others of its group still commit.
class DatabaseWriter {
 public:
  using Change = std::function<std::string(SqliteConnection&)>;
  // Runs on the writer's connection after each commit and before its callers get their
  // answers, so what a caller reads after its answer already holds its change. It must not
  // throw; the changes are stored whatever it does.
  using Committed = std::function<void(SqliteConnection&)>;

  explicit DatabaseWriter(const std::filesystem::path& file, Committed committed = {});
  // Commits what is queued, then closes the connection.
  ~DatabaseWriter();
  DatabaseWriter(const DatabaseWriter&) = delete;
  DatabaseWriter& operator=(const DatabaseWriter&) = delete;

  // Runs `change` on the writer's connection and returns its answer once committed; rethrows
  // what the change (or the commit) threw, and then nothing of it is stored.
  std::string Write(Change change);

 private:
  struct Pending {
    Change change;
    std::promise<std::string> done;
  };

  void Loop();
  void RunGroup(std::deque<Pending>& group);

  SqliteConnection connection_;
  Committed committed_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Pending> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ostravel::service
