#include "platform/AtomicFile.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>

namespace ostravel::platform {
namespace {

WriteStatus StatusOf(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return WriteStatus::kAccessDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return WriteStatus::kPathNotFound;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return WriteStatus::kDiskFull;
    default:
      return WriteStatus::kFailed;
  }
}

// The attributes the new file takes over; 0 for a missing file. Fails (with the error)
// when the old file may not be written in place.
DWORD CheckWritable(const std::filesystem::path& file, DWORD& attributes) {
  attributes = ::GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    attributes = 0;
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return ::GetLastError();
  ::CloseHandle(handle);
  attributes &= FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  return ERROR_SUCCESS;
}

// A new file beside `file` whose name no other process uses.
HANDLE CreateUniqueFile(const std::filesystem::path& file, std::filesystem::path& name) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = file;
    name += L".new-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(random() & 0xFFFFFF);
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  return INVALID_HANDLE_VALUE;
}

DWORD WriteAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    bytes.remove_prefix(written);
  }
  return ::FlushFileBuffers(handle) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace

WriteStatus ReplaceFileContent(const std::filesystem::path& file, std::string_view bytes) {
  DWORD attributes = 0;
  if (const DWORD error = CheckWritable(file, attributes); error != ERROR_SUCCESS) {
    return StatusOf(error);
  }
  std::filesystem::path fresh;
  HANDLE handle = CreateUniqueFile(file, fresh);
  if (handle == INVALID_HANDLE_VALUE) return StatusOf(::GetLastError());
  const DWORD error = WriteAll(handle, bytes);
  ::CloseHandle(handle);
  if (error == ERROR_SUCCESS) {
    if (attributes != 0) ::SetFileAttributesW(fresh.c_str(), attributes);
    if (::MoveFileExW(fresh.c_str(), file.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return WriteStatus::kWritten;
    }
  }
  const DWORD failure = error != ERROR_SUCCESS ? error : ::GetLastError();
  ::DeleteFileW(fresh.c_str());
  return StatusOf(failure);
}

}  // namespace ostravel::platform

#endif  // _WIN32
