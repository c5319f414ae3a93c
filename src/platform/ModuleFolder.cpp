#include "platform/ModuleFolder.h"

#include <system_error>

namespace ostravel::platform {

std::filesystem::path ModuleFolder() {
  // The plug-in is linked into the program here, so its module is the executable.
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable.parent_path();
}

}  // namespace ostravel::platform
