#include "service/admin/ServeClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {
namespace {

std::string ReadAll(int fd) {
  std::string text;
  char buffer[256];
  ssize_t got = 0;
  while ((got = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0) {
    text.append(buffer, static_cast<std::size_t>(got));
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

std::filesystem::path ServeClaim::MarkOf(const std::filesystem::path& database) {
  return database.string() + ".served";
}

ServeClaim::ServeClaim(const std::filesystem::path& database, bool create)
    : mark_(MarkOf(database)) {
  std::error_code ignored;
  if (!create && !std::filesystem::exists(database, ignored) &&
      std::filesystem::exists(mark_, ignored)) {
    throw DatabaseError(database.string() + " is missing, but a database was served from it (" +
                        mark_.string() +
                        " says so); restore it from a backup, or start once with --create to "
                        "begin an empty one");
  }
  // SQLite would open such a file for reading only and fail each write later.
  if (std::filesystem::exists(database, ignored) && ::access(database.c_str(), W_OK) != 0) {
    throw DatabaseError("cannot write the database " + database.string() + " (" +
                        std::strerror(errno) +
                        "); give the service's user the file and its folder (chown USER FILE "
                        "FOLDER; chmod u+rw FILE; chmod u+rwx FOLDER)");
  }
  fd_ = ::open(mark_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
  if (fd_ < 0) {
    const std::string folder = std::filesystem::absolute(database).parent_path().string();
    throw DatabaseError("cannot write beside the database " + database.string() + " (" +
                        mark_.string() + ": " + std::strerror(errno) +
                        "); give the service's user its folder " + folder +
                        " (chown USER FOLDER; chmod u+rwx FOLDER)");
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const std::string holder = ReadAll(fd_);
    ::close(fd_);
    fd_ = -1;
    throw DatabaseError(database.string() + " is served already by " +
                        (holder.empty() ? std::string("another process") : holder) +
                        "; stop that one first, or give this one another --db");
  }
  Write("ostravel-service pid " + std::to_string(::getpid()) + ", starting");
}

ServeClaim::~ServeClaim() {
  if (fd_ >= 0) ::close(fd_);  // closing drops the lock; the mark stays
}

void ServeClaim::Announce(const std::string& where) {
  Write("ostravel-service pid " + std::to_string(::getpid()) + " on " + where);
}

void ServeClaim::Write(const std::string& text) {
  const std::string line = text + "\n";
  // The mark is advice for a person; a failure to rewrite it changes nothing else.
  if (::ftruncate(fd_, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd_, line.data(), line.size(), 0);
  }
}

}  // namespace ostravel::service
