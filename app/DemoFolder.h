#pragma once

#include <filesystem>
#include <string>

namespace ostravel::app {

// Makes `folder` (created if missing) a plug-in folder whose "Ostravel.xml" names the demo
// service at `url`. An existing settings file keeps everything else (saved tells, check boxes,
// IRC channels); only its server address changes. Throws std::runtime_error when an existing
// file cannot be read, rather than overwrite it.
void PrepareDemoFolder(const std::filesystem::path& folder, const std::string& url);

// A new, empty folder under the system's temporary folder.
std::filesystem::path NewDemoFolder();

}  // namespace ostravel::app
