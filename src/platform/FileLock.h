#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <utility>

namespace ostravel::platform {

// An advisory lock between processes, held on a small lock file beside the file it guards.
// Several game clients share one plug-in folder; the lock keeps one client's read-change-write
// of a shared file from interleaving with another's. Locks taken through two FileLock objects
// exclude each other also inside one process.
class FileLock {
 public:
  enum class Mode { kShared, kExclusive };
  enum class Outcome {
    kHeld,         // the lock is held until this object ends
    kBusy,         // another holder kept it for the whole wait
    kUnavailable,  // the lock file could not be opened or made (folder missing or read-only)
  };

  // Takes the lock on `lock_file` (made when missing), waiting at most `wait` for others to
  // release it. Never throws; the outcome says what happened.
  static FileLock Acquire(const std::filesystem::path& lock_file, Mode mode,
                          std::chrono::milliseconds wait);

  FileLock(FileLock&& other) noexcept
      : handle_(std::exchange(other.handle_, kNoHandle)), outcome_(other.outcome_) {}
  FileLock& operator=(FileLock&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, kNoHandle);
      outcome_ = other.outcome_;
    }
    return *this;
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }

  Outcome Result() const { return outcome_; }
  bool Held() const { return outcome_ == Outcome::kHeld; }

 private:
  FileLock(std::intptr_t handle, Outcome outcome) : handle_(handle), outcome_(outcome) {}
  void Release() noexcept;

  static constexpr std::intptr_t kNoHandle = -1;
  std::intptr_t handle_ = kNoHandle;  // a descriptor, or a Windows HANDLE
  Outcome outcome_ = Outcome::kUnavailable;
};

}  // namespace ostravel::platform
