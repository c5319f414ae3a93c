#include "service/store/DatabaseWriter.h"

#include <chrono>
#include <future>
#include <vector>

namespace ostravel::service {
namespace {

// The most changes one transaction takes: enough to share a sync among a burst, small enough
// that no caller waits long behind the others.
constexpr std::size_t kMaxGroup = 256;
// The longest a change waits for the database, its time in the queue included: a lock held
// elsewhere for longer fails it (nothing stored), well before its client gives up on it.
constexpr std::int64_t kWriteWaitMs = 5000;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

DatabaseWriter::DatabaseWriter(const std::filesystem::path& file, Options options)
    : connection_(file, SqliteConnection::Mode::kReadWrite),
      options_(std::move(options)),
      identity_(FileIdentity::Of(file)),
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
  std::promise<std::string> promise;
  std::future<std::string> answer = promise.get_future();
  WriteAsync(std::move(change), [&promise](std::string text, std::exception_ptr failure) {
    if (failure) {
      promise.set_exception(failure);
    } else {
      promise.set_value(std::move(text));
    }
  });
  return answer.get();
}

void DatabaseWriter::WriteAsync(Change change, Done done) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) throw DatabaseError(connection_.File().string() + ": the database is closing");
    queue_.push_back({std::move(change), std::move(done), NowMs()});
  }
  wake_.notify_one();
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

void DatabaseWriter::FailAll(std::deque<Pending>& group, const std::exception_ptr& failure) {
  for (auto& pending : group) pending.done({}, failure);
}

void DatabaseWriter::RunGroup(std::deque<Pending>& group) {
  const std::string& file = connection_.File().string();
  if (gone_) {
    FailAll(group, std::make_exception_ptr(DatabaseGone(file + " is no longer the served file")));
    return;
  }
  // The oldest change of the group sets how long the group may still wait for the lock.
  const std::int64_t left = kWriteWaitMs - (NowMs() - group.front().queuedMs);
  if (left <= 0) {
    FailAll(group, std::make_exception_ptr(DatabaseBusy(file + ": locked by another program for " +
                                                        std::to_string(kWriteWaitMs / 1000) +
                                                        " s; nothing was stored")));
    return;
  }
  connection_.SetBusyTimeout(static_cast<int>(left));
  std::vector<std::string> answers(group.size());
  std::vector<std::exception_ptr> failures(group.size());
  try {
    CommitGroup(group, answers, failures);
  } catch (...) {
    // Nothing of the group is stored: every caller hears of it.
    const std::exception_ptr failure = std::current_exception();
    connection_.ResetAll();
    FailAll(group, failure);
    return;
  }
  if (options_.committed) options_.committed(connection_);
  for (std::size_t i = 0; i < group.size(); ++i) group[i].done(std::move(answers[i]), failures[i]);
}

void DatabaseWriter::CommitGroup(std::deque<Pending>& group, std::vector<std::string>& answers,
                                 std::vector<std::exception_ptr>& failures) {
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
  if (options_.commit_delay_ms > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(options_.commit_delay_ms));
  }
  CheckStillAtPath();
  transaction.Commit();
}

// Checked while the write lock is held, just before the commit: an answer is proof that the
// change is in the file an admin (or the next start) finds at the path.
void DatabaseWriter::CheckStillAtPath() {
  const auto now = FileIdentity::Of(connection_.File());
  if (now && identity_ && *now == *identity_) return;
  gone_ = true;
  const std::string why = connection_.File().string() +
                          (now ? " was replaced by another file" : " was removed") +
                          " while the service ran; the changes of this moment were not stored";
  if (options_.lost) options_.lost(why);
  throw DatabaseGone(why);
}

}  // namespace ostravel::service
