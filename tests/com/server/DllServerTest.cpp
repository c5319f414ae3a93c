// ostravel.dll as a host and COM see it: a copy in a player's folder registers itself (and
// regsvr32 registers the file it is given), is created by class id, and says when it may unload.

#include <gtest/gtest.h>
#include <process.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "com/ComSupport.h"

namespace ostravel::com {
namespace {

namespace fs = std::filesystem;

const std::wstring kClassKey = L"CLSID\\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}";

// The DLL as built (a path of the Linux side, which wine shows as drive Z:).
fs::path BuiltDll() {
  std::wstring path = L"Z:" + ToWide(OSTRAVEL_DLL);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// The default value of a key in the DLL's view of HKEY_CLASSES_ROOT (32-bit classes live apart
// on 64-bit Windows): nullopt when the key is not there, "" when only the value is missing.
std::optional<std::wstring> ClassesValue(const std::wstring& key) {
  constexpr REGSAM kDllView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kDllView, &opened) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  wchar_t data[1024] = {};
  DWORD size = sizeof(data);
  RegGetValueW(opened, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, data, &size);
  RegCloseKey(opened);
  return data;
}

// regsvr32 with the options on the DLL's file; answers its exit code.
intptr_t Regsvr32(const wchar_t* options, const fs::path& dll) {
  const std::wstring quoted = L"\"" + dll.wstring() + L"\"";
  return _wspawnlp(_P_WAIT, L"regsvr32.exe", L"regsvr32.exe", options, quoted.c_str(), nullptr);
}

// The DLL loaded by path, with its exports.
struct LoadedDll {
  explicit LoadedDll(const fs::path& path) : module(LoadLibraryW(path.c_str())) {}
  ~LoadedDll() {
    if (module) FreeLibrary(module);
  }
  HRESULT Call(const char* name) const {
    return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, name)))();
  }
  ComPtr<IClassFactory> Factory() const {
    ComPtr<IClassFactory> factory;
    reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))(
        kOstravelMainClassId, __uuidof(IClassFactory),
        reinterpret_cast<void**>(factory.GetAddressOf()));
    return factory;
  }
  HMODULE module;
};

class DllServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    CoUninitialize();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  const fs::path folder_ =
      fs::temp_directory_path() / ("ostravel-dll-test-" + std::to_string(GetCurrentProcessId()));
};

TEST_F(DllServerTest, RegistersItselfIsCreatedByClassIdAndUnloadsOnlyWithoutObjectsOrLocks) {
  // A copy in a folder of its own, as a player's installation would have it.
  fs::copy_file(BuiltDll(), folder_ / "ostravel.dll");
  LoadedDll dll(folder_ / "ostravel.dll");
  ASSERT_TRUE(dll.module);
  EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_OK);
  ASSERT_EQ(dll.Call("DllRegisterServer"), S_OK);
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(dll.module, loaded, MAX_PATH);
  const auto server = ClassesValue(kClassKey + L"\\InprocServer32").value_or(L"");
  EXPECT_EQ(_wcsicmp(server.c_str(), loaded), 0) << ToUtf8(server);
  {
    ComPtr<IPlugin2> plugin;
    ASSERT_EQ(CoCreateInstance(kOstravelMainClassId, nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IPlugin2), reinterpret_cast<void**>(plugin.GetAddressOf())),
              S_OK);
    CLSID by_prog_id{};
    EXPECT_EQ(CLSIDFromProgID(L"Ostravel.OstravelMain", &by_prog_id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(by_prog_id, kOstravelMainClassId));
    EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_FALSE);
    // Without a site every step that needs it fails and is reported; the calls succeed.
    EXPECT_EQ(plugin->Initialize(nullptr), S_OK);
    EXPECT_EQ(plugin->Terminate(), S_OK);
  }
  EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_OK);
  std::stringstream log;
  log << std::ifstream(folder_ / "log.txt").rdbuf();
  EXPECT_NE(log.str().find("Error in OstravelMain.Iplugin2_Initialize"), std::string::npos)
      << log.str();

  auto factory = dll.Factory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_FALSE);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(factory.Get(), __uuidof(IUnknown),
                                    reinterpret_cast<void**>(aggregated.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_FALSE);  // the lock alone keeps it
  ASSERT_EQ(dll.Factory()->LockServer(FALSE), S_OK);
  EXPECT_EQ(dll.Call("DllCanUnloadNow"), S_OK);

  // regsvr32 registers the file it is given in place of the one before, and removes it all.
  ASSERT_EQ(Regsvr32(L"/s", BuiltDll()), 0);
  const auto built_server = ClassesValue(kClassKey + L"\\InprocServer32").value_or(L"");
  EXPECT_EQ(_wcsicmp(built_server.c_str(), BuiltDll().c_str()), 0) << ToUtf8(built_server);
  ASSERT_EQ(Regsvr32(L"/u /s", BuiltDll()), 0);
  EXPECT_EQ(ClassesValue(kClassKey), std::nullopt);
  EXPECT_EQ(ClassesValue(L"Ostravel.OstravelMain"), std::nullopt);
  ComPtr<IPlugin2> none;
  EXPECT_EQ(CoCreateInstance(kOstravelMainClassId, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IPlugin2), reinterpret_cast<void**>(none.GetAddressOf())),
            REGDB_E_CLASSNOTREG);
}

}  // namespace
}  // namespace ostravel::com
