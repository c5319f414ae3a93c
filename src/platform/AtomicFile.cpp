#include "platform/AtomicFile.h"

#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace ostravel::platform {
namespace {

WriteStatus StatusOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return WriteStatus::kAccessDenied;
    case ENOENT:
    case ENOTDIR:
      return WriteStatus::kPathNotFound;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return WriteStatus::kDiskFull;
    default:
      return WriteStatus::kFailed;
  }
}

// The old file's mode and owner, after checking that it may be written in place; errno
// on failure. A missing file is no failure: it gets a fresh file's usual mode.
int CheckWritable(const std::filesystem::path& file, struct stat& info) {
  if (::stat(file.c_str(), &info) != 0) {
    if (errno != ENOENT) return errno;
    info = {};
    info.st_mode = 0644;
    info.st_uid = static_cast<uid_t>(-1);
    info.st_gid = static_cast<gid_t>(-1);
    return 0;
  }
  const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Writes the new file; errno on failure (the new file is then removed).
int WriteNewFile(std::string& name, const struct stat& old, std::string_view bytes) {
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  // Keep the owner too when we may (an administrator saving a player's file).
  if (old.st_uid != static_cast<uid_t>(-1) && ::geteuid() == 0) {
    [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
  }
  bool ok = ::fchmod(fd, old.st_mode & 07777) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const int error = ok ? 0 : errno;
  ok = ::close(fd) == 0 && ok;
  if (ok) return 0;
  const int close_error = error != 0 ? error : errno;
  ::unlink(name.c_str());
  return close_error;
}

}  // namespace

WriteStatus ReplaceFileContent(const std::filesystem::path& file, std::string_view bytes) {
  struct stat old {};
  if (const int error = CheckWritable(file, old); error != 0) return StatusOf(error);
  std::string fresh = file.string() + ".new-XXXXXX";
  if (const int error = WriteNewFile(fresh, old, bytes); error != 0) return StatusOf(error);
  if (::rename(fresh.c_str(), file.c_str()) != 0) {
    const int error = errno;
    ::unlink(fresh.c_str());
    return StatusOf(error);
  }
  return WriteStatus::kWritten;
}

}  // namespace ostravel::platform

#endif  // !_WIN32
