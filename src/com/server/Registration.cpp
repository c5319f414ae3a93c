#include "com/server/Registration.h"

#include <algorithm>
#include <utility>

#include "com/DecalInterfaces.h"

namespace ostravel::com {
namespace {

// An open registry key, closed when it goes.
class UniqueHkey {
 public:
  UniqueHkey() = default;
  ~UniqueHkey() {
    if (key_) RegCloseKey(key_);
  }
  UniqueHkey(const UniqueHkey&) = delete;
  UniqueHkey& operator=(const UniqueHkey&) = delete;
  HKEY Get() const noexcept { return key_; }
  HKEY* Put() noexcept { return &key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

const wchar_t* ValueName(const RegistryValue& value) {
  return value.name.empty() ? nullptr : value.name.c_str();
}

LSTATUS WriteValue(HKEY root, const RegistryValue& value) {
  UniqueHkey key;
  LSTATUS status = RegCreateKeyExW(root, value.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   key.Put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  const auto bytes = static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.Get(), ValueName(value), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.data.c_str()), bytes);
}

LSTATUS RemoveValue(HKEY root, const RegistryValue& value) {
  UniqueHkey key;
  LSTATUS status = RegOpenKeyExW(root, value.key.c_str(), 0, KEY_SET_VALUE, key.Put());
  if (status == ERROR_SUCCESS) status = RegDeleteValueW(key.Get(), ValueName(value));
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Deletes the key if nothing is left in it.
LSTATUS RemoveKeyIfEmpty(HKEY root, const std::wstring& path) {
  DWORD subkeys = 0;
  DWORD values = 0;
  {
    UniqueHkey key;
    LSTATUS status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    status = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                              &values, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
  }
  if (subkeys != 0 || values != 0) return ERROR_SUCCESS;
  const LSTATUS status = RegDeleteKeyW(root, path.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

std::vector<RegistryValue> ServerRegistration(const std::wstring& dll_path) {
  const std::wstring class_id = GuidText(kOstravelMainClassId);
  const std::wstring class_key = L"CLSID\\" + class_id;
  const std::wstring prog_id = kOstravelMainProgId;
  return {
      {class_key, L"", L"Ostravel"},
      {class_key + L"\\InprocServer32", L"", dll_path},
      {class_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {class_key + L"\\ProgID", L"", prog_id},
      {prog_id, L"", L"Ostravel"},
      {prog_id + L"\\CLSID", L"", class_id},
  };
}

HRESULT WriteRegistration(HKEY root, const std::vector<RegistryValue>& values) noexcept {
  for (const auto& value : values) {
    const LSTATUS status = WriteValue(root, value);
    if (status != ERROR_SUCCESS) {
      RemoveRegistration(root, values);
      return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

HRESULT RemoveRegistration(HKEY root, const std::vector<RegistryValue>& values) noexcept {
  try {
    LSTATUS first_failure = ERROR_SUCCESS;
    const auto note = [&](LSTATUS status) {
      if (first_failure == ERROR_SUCCESS) first_failure = status;
    };
    for (const auto& value : values) note(RemoveValue(root, value));
    // The deepest keys first, so a parent is looked at after its own subkeys went.
    std::vector<std::wstring> keys;
    for (const auto& value : values) {
      if (std::find(keys.begin(), keys.end(), value.key) == keys.end()) keys.push_back(value.key);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
      return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
    });
    for (const auto& key : keys) note(RemoveKeyIfEmpty(root, key));
    return HRESULT_FROM_WIN32(first_failure);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

std::wstring ThisModulePath() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&ThisModulePath), &module)) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace ostravel::com
