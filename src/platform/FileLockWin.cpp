#include "platform/FileLock.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <thread>

namespace ostravel::platform {
namespace {

HANDLE OpenLockFile(const std::filesystem::path& lock_file) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = ::CreateFileW(lock_file.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  // A folder the user may read but not write still allows a shared lock on an existing file.
  if (file == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
    file = ::CreateFileW(lock_file.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  return file;
}

bool TryLock(HANDLE file, FileLock::Mode mode) {
  OVERLAPPED at{};
  DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
  if (mode == FileLock::Mode::kExclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
  return ::LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

}  // namespace

FileLock FileLock::Acquire(const std::filesystem::path& lock_file, Mode mode,
                           std::chrono::milliseconds wait) {
  HANDLE file = OpenLockFile(lock_file);
  if (file == INVALID_HANDLE_VALUE) return FileLock(kNoHandle, Outcome::kUnavailable);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  // The holder keeps the lock only for one load-change-save (milliseconds), so a short poll
  // waits far less than a blocking call would risk if the holder hung.
  auto pause = std::chrono::milliseconds(1);
  for (;;) {
    if (TryLock(file, mode)) return FileLock(reinterpret_cast<std::intptr_t>(file), Outcome::kHeld);
    const DWORD error = ::GetLastError();
    if (error != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline) {
      ::CloseHandle(file);
      return FileLock(kNoHandle,
                      error == ERROR_LOCK_VIOLATION ? Outcome::kBusy : Outcome::kUnavailable);
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
}

void FileLock::Release() noexcept {
  if (handle_ == kNoHandle) return;
  // Closing the handle releases its locks.
  ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNoHandle;
}

}  // namespace ostravel::platform

#endif  // _WIN32
