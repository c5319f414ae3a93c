#pragma once

#include <filesystem>

namespace ostravel::platform {

// The folder of the module that contains this code: the DLL's folder when the host loaded the
// plug-in, the program's folder otherwise. Empty when the system cannot tell.
std::filesystem::path ModuleFolder();

}  // namespace ostravel::platform
