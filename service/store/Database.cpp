#include "service/store/Database.h"

#include "service/store/Schema.h"

namespace ostravel::service {
namespace {

// Read connections beyond this wait for one to come back; the server's worker threads are
// few, and each connection keeps its own page cache.
constexpr int kMaxReaders = 8;

// Refuses a file the server could only read, or one that is damaged, before anything is
// served from it: otherwise every write would fail later, one request at a time.
void CheckUsable(SqliteConnection& setup) {
  const std::string file = setup.File().string();
  if (setup.IsReadOnly()) {
    throw DatabaseError("cannot write the database " + file +
                        ": the service's user may only read it; give that user the file and "
                        "its folder (chown USER FILE FOLDER; chmod u+rw FILE; chmod u+rwx "
                        "FOLDER)");
  }
  SqliteStatement& check = setup.Prepare("PRAGMA quick_check");
  const std::string first = check.Step() ? check.Text(0) : "no answer";
  check.Reset();
  if (first != "ok") {
    throw DatabaseError(file + " is damaged (quick_check: " + first +
                        "); restore it from a backup (ostravel-service backup makes them)");
  }
}

}  // namespace

Database::Database(const std::filesystem::path& file, DatabaseWriter::Options options)
    : file_(file) {
  {
    SqliteConnection setup(file, SqliteConnection::Mode::kReadWrite);
    CheckUsable(setup);
    MigrateSchema(setup);
  }
  writer_ = std::make_unique<DatabaseWriter>(file, std::move(options));
}

Database::~Database() = default;

Database::Borrowed::Borrowed(Database& database)
    : owner(database), connection(database.TakeReader()) {}

Database::Borrowed::~Borrowed() {
  connection->ResetAll();
  owner.GiveBack(std::move(connection));
}

void Database::Query(const std::function<void(StoreQueries&)>& reads) {
  Read([&](SqliteConnection& db) {
    StoreQueries queries(db);
    reads(queries);
  });
}

std::string Database::Write(DatabaseWriter::Change change) {
  return writer_->Write(std::move(change));
}

void Database::WriteAsync(DatabaseWriter::Change change, DatabaseWriter::Done done) {
  writer_->WriteAsync(std::move(change), std::move(done));
}

std::unique_ptr<SqliteConnection> Database::TakeReader() {
  std::unique_lock lock(mutex_);
  returned_.wait(lock, [this] { return !idle_readers_.empty() || open_readers_ < kMaxReaders; });
  if (!idle_readers_.empty()) {
    auto reader = std::move(idle_readers_.back());
    idle_readers_.pop_back();
    return reader;
  }
  ++open_readers_;
  lock.unlock();
  try {
    return std::make_unique<SqliteConnection>(file_, SqliteConnection::Mode::kReadOnly);
  } catch (...) {
    std::lock_guard relock(mutex_);
    --open_readers_;
    returned_.notify_one();
    throw;
  }
}

void Database::GiveBack(std::unique_ptr<SqliteConnection> reader) {
  {
    std::lock_guard lock(mutex_);
    idle_readers_.push_back(std::move(reader));
  }
  returned_.notify_one();
}

}  // namespace ostravel::service
