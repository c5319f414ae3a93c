#include "platform/FileLock.h"

#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

namespace ostravel::platform {
namespace {

int OpenLockFile(const std::filesystem::path& lock_file) {
  int fd = ::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  // A folder the user may read but not write still allows a shared lock on an existing file.
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd = ::open(lock_file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  }
  return fd;
}

}  // namespace

FileLock FileLock::Acquire(const std::filesystem::path& lock_file, Mode mode,
                           std::chrono::milliseconds wait) {
  const int fd = OpenLockFile(lock_file);
  if (fd < 0) return FileLock(kNoHandle, Outcome::kUnavailable);
  const int operation = (mode == Mode::kShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  // The holder keeps the lock only for one load-change-save (milliseconds), so a short poll
  // waits far less than a blocking call would risk if the holder hung.
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (::flock(fd, operation) == 0) return FileLock(fd, Outcome::kHeld);
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      const Outcome outcome = errno == EWOULDBLOCK ? Outcome::kBusy : Outcome::kUnavailable;
      ::close(fd);
      return FileLock(kNoHandle, outcome);
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

void FileLock::Release() noexcept {
  if (handle_ == kNoHandle) return;
  ::close(static_cast<int>(handle_));  // closing the descriptor drops the lock
  handle_ = kNoHandle;
}

}  // namespace ostravel::platform

#endif  // !_WIN32
