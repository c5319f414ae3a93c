#include "service/store/DatabaseWriter.h"

#include <vector>

namespace ostravel::service {
namespace {

// The most changes one transaction takes: enough to share a sync among a burst, small enough
// that no caller waits long behind the others.
constexpr std::size_t kMaxGroup = 256;

}  // namespace

DatabaseWriter::DatabaseWriter(const std::filesystem::path& file, Committed committed)
    : connection_(file, SqliteConnection::Mode::kReadWrite),
      committed_(std::move(committed)),
      thread_([this] { Loop(); }) {}

DatabaseWriter::~DatabaseWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

std::string DatabaseWriter::Write(Change change) {
  std::future<std::string> answer;
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw DatabaseError(connection_.File().string() + ": the database is closing");
    queue_.push_back({std::move(change), {}});
    answer = queue_.back().done.get_future();
  }
  wake_.notify_one();
  return answer.get();
}

void DatabaseWriter::Loop() {
  for (;;) {
    std::deque<Pending> group;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, and nothing left
      while (!queue_.empty() && group.size() < kMaxGroup) {
        group.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
    }
    RunGroup(group);
  }
}

void DatabaseWriter::RunGroup(std::deque<Pending>& group) {
  std::vector<std::string> answers(group.size());
  std::vector<std::exception_ptr> failures(group.size());
  try {
    SqliteTransaction transaction(connection_);
    for (std::size_t i = 0; i < group.size(); ++i) {
      connection_.Exec("SAVEPOINT change");
      try {
        answers[i] = group[i].change(connection_);
        connection_.Exec("RELEASE change");
      } catch (...) {
        failures[i] = std::current_exception();
        connection_.Exec("ROLLBACK TO change");
        connection_.Exec("RELEASE change");
      }
      connection_.ResetAll();
    }
    transaction.Commit();
  } catch (...) {
    // Nothing of the group is stored: every caller hears of it.
    const std::exception_ptr failure = std::current_exception();
    connection_.ResetAll();
    for (auto& pending : group) pending.done.set_exception(failure);
    return;
  }
  if (committed_) committed_(connection_);
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (failures[i]) {
      group[i].done.set_exception(failures[i]);
    } else {
      group[i].done.set_value(std::move(answers[i]));
    }
  }
}

}  // namespace ostravel::service
