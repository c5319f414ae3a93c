#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ostravel::service {

// The one address the players' installer is downloaded from; no other file is ever served.
inline constexpr const char* kInstallerPath = "/Ostravel-setup.exe";
// The name a browser saves it under.
inline constexpr const char* kInstallerFileName = "Ostravel-setup.exe";

// The installer's bytes, or nullopt when the file is not there or cannot be read (the
// download then answers 404). It is read at each download, so that a new package's file is
// served without a restart.
std::optional<std::string> ReadInstaller(const std::filesystem::path& file);

// True when the file is there to be offered.
bool InstallerAvailable(const std::filesystem::path& file);

}  // namespace ostravel::service
