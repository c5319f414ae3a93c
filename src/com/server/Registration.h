#pragma once

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

namespace ostravel::com {

// One registry value the server writes: a key under the root, a value name ("" for the key's
// default value) and its text.
struct RegistryValue {
  std::wstring key;
  std::wstring name;
  std::wstring data;
};

// What registers the plug-in's class with COM (class id, in-process server of `dll_path`,
// apartment threading, ProgID), under HKEY_CLASSES_ROOT.
std::vector<RegistryValue> ServerRegistration(const std::wstring& dll_path);

// Writes every value (creating keys as needed). On a failure it removes what the list names
// again, so no half-written registration stays, and answers the error.
HRESULT WriteRegistration(HKEY root, const std::vector<RegistryValue>& values) noexcept;

// Removes every value of the list, then each key of the list that is left empty; a key that
// still holds values or subkeys of others stays. Missing keys and values are no error.
HRESULT RemoveRegistration(HKEY root, const std::vector<RegistryValue>& values) noexcept;

// The full path of the module (DLL or program) holding this code, as it was loaded.
std::wstring ThisModulePath();

}  // namespace ostravel::com
