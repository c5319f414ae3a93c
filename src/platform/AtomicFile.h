#pragma once

#include <filesystem>
#include <string_view>

namespace ostravel::platform {

// Why a file could not be replaced.
enum class WriteStatus {
  kWritten,
  kAccessDenied,  // the file is read-only, or the folder may not be written
  kPathNotFound,  // the folder is gone
  kDiskFull,
  kFailed,  // any other reason
};

// Replaces the whole content of `file` so that a reader sees either the old or the new
// content, never a part: the bytes go to a new file of a name no other process uses, are
// flushed, and the new file is renamed over the old one. The old file's permissions stay.
// A file that may not be written in place is not replaced (a rename would otherwise bypass
// its read-only mark). On any failure the old file stays as it was and no new file is left.
WriteStatus ReplaceFileContent(const std::filesystem::path& file, std::string_view bytes);

}  // namespace ostravel::platform
