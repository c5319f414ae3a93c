#include <windows.h>

#include <string>

#include "platform/ModuleFolder.h"

namespace ostravel::platform {

std::filesystem::path ModuleFolder() {
  // The module this function lives in, not the process's executable: in the game client that
  // is the plug-in's DLL. The reference count stays as it is.
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ModuleFolder), &module)) {
    return {};
  }
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    name.resize(name.size() * 2);  // cut short: a long path
  }
  return std::filesystem::path(name).parent_path();
}

}  // namespace ostravel::platform
