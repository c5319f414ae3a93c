#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace ostravel::service {

// Which file a path names at one moment (device and inode). A file removed or replaced under
// a running server keeps taking its writes through the open handle, unseen by anyone; the
// writer compares the path's identity with the one it opened before it lets a commit stand.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool operator==(const FileIdentity&) const = default;

  // The file at `path` now; nullopt when nothing is there.
  static std::optional<FileIdentity> Of(const std::filesystem::path& path);
};

}  // namespace ostravel::service
