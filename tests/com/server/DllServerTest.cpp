// ostravel.dll as a host and COM see it: its exports, registration (directly and through
// regsvr32), creation by class id, and when it may unload.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "com/ComSupport.h"
#include "com/OstravelDiagnostics.h"

namespace ostravel::com {
namespace {

namespace fs = std::filesystem;

const std::wstring kClassKey = L"CLSID\\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}";

// The DLL as built (a path of the Linux side, which wine shows as drive Z:).
fs::path BuiltDll() {
  std::wstring path = L"Z:" + ToWide(OSTRAVEL_DLL);
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// The registry view the DLL registers in: 32-bit classes live apart on 64-bit Windows.
constexpr REGSAM kDllView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;

// The key opened in the DLL's view of HKEY_CLASSES_ROOT, or null (the caller closes it).
HKEY OpenClasses(const std::wstring& key) {
  HKEY opened = nullptr;
  RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kDllView, &opened);
  return opened;
}

std::optional<std::wstring> ClassesValue(const std::wstring& key, const wchar_t* name = nullptr) {
  HKEY opened = OpenClasses(key);
  if (!opened) return std::nullopt;
  wchar_t data[1024] = {};
  DWORD size = sizeof(data);
  const LSTATUS status = RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, data, &size);
  RegCloseKey(opened);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return std::wstring(data);
}

bool ClassesKeyExists(const std::wstring& key) {
  HKEY opened = OpenClasses(key);
  if (opened) RegCloseKey(opened);
  return opened != nullptr;
}

// Runs a program and answers its exit code (or -1 when it could not be started).
long RunAndWait(std::wstring command_line) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

// The DLL loaded by path, with its exports.
class LoadedDll {
 public:
  explicit LoadedDll(const fs::path& path) : module_(LoadLibraryW(path.c_str())) {}
  ~LoadedDll() {
    if (module_) FreeLibrary(module_);
  }
  LoadedDll(const LoadedDll&) = delete;
  LoadedDll& operator=(const LoadedDll&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  std::wstring PathAsLoaded() const {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module_, path, MAX_PATH);
    return path;
  }
  HRESULT Register() const { return Call<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer")(); }
  HRESULT Unregister() const { return Call<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer")(); }
  HRESULT CanUnloadNow() const { return Call<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow")(); }
  ComPtr<IClassFactory> Factory() const {
    ComPtr<IClassFactory> factory;
    Call<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(
        kOstravelMainClassId, __uuidof(IClassFactory),
        reinterpret_cast<void**>(factory.GetAddressOf()));
    return factory;
  }

 private:
  template <class F>
  F Call(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HMODULE module_;
};

class DllServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = fs::path(temp) / ("ostravel-dll-test-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    CoUninitialize();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  // A copy of the DLL in a folder of its own, as a player's installation would have it.
  fs::path CopyOfDll() {
    const fs::path copy = folder_ / "ostravel.dll";
    fs::copy_file(BuiltDll(), copy, fs::copy_options::overwrite_existing);
    return copy;
  }

  fs::path folder_;
};

TEST_F(DllServerTest, RegistersItselfAndIsCreatedByClassIdUntilUnregistered) {
  LoadedDll dll(BuiltDll());
  ASSERT_TRUE(dll.Loaded());
  ASSERT_EQ(dll.Register(), S_OK);

  const auto server = ClassesValue(kClassKey + L"\\InprocServer32");
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(_wcsicmp(server->c_str(), dll.PathAsLoaded().c_str()), 0) << ToUtf8(*server);
  EXPECT_EQ(ClassesValue(kClassKey), L"Ostravel");
  EXPECT_EQ(ClassesValue(kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(ClassesValue(kClassKey + L"\\ProgID"), L"Ostravel.OstravelMain");
  EXPECT_EQ(ClassesValue(L"Ostravel.OstravelMain\\CLSID"),
            L"{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}");

  {
    ComPtr<IPlugin2> plugin;
    ASSERT_EQ(CoCreateInstance(kOstravelMainClassId, nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IPlugin2), reinterpret_cast<void**>(plugin.GetAddressOf())),
              S_OK);
    CLSID by_prog_id{};
    EXPECT_EQ(CLSIDFromProgID(L"Ostravel.OstravelMain", &by_prog_id), S_OK);
    EXPECT_TRUE(IsEqualCLSID(by_prog_id, kOstravelMainClassId));
    EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);

  ASSERT_EQ(dll.Unregister(), S_OK);
  EXPECT_FALSE(ClassesKeyExists(kClassKey));
  EXPECT_FALSE(ClassesKeyExists(L"Ostravel.OstravelMain"));
  ComPtr<IPlugin2> none;
  EXPECT_EQ(CoCreateInstance(kOstravelMainClassId, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IPlugin2), reinterpret_cast<void**>(none.GetAddressOf())),
            REGDB_E_CLASSNOTREG);
}

TEST_F(DllServerTest, Regsvr32RegistersTheCopyItIsGivenAndUnregistersIt) {
  LoadedDll built(BuiltDll());
  ASSERT_EQ(built.Register(), S_OK);
  const fs::path copy = CopyOfDll();

  ASSERT_EQ(RunAndWait(L"regsvr32.exe /s \"" + copy.wstring() + L"\""), 0);
  const auto server = ClassesValue(kClassKey + L"\\InprocServer32");
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(_wcsicmp(server->c_str(), copy.c_str()), 0) << ToUtf8(*server);

  ASSERT_EQ(RunAndWait(L"regsvr32.exe /u /s \"" + copy.wstring() + L"\""), 0);
  EXPECT_FALSE(ClassesKeyExists(kClassKey));
  EXPECT_FALSE(ClassesKeyExists(L"Ostravel.OstravelMain"));
}

TEST_F(DllServerTest, MayUnloadOnlyWithoutObjectsOrLocks) {
  LoadedDll dll(BuiltDll());
  ASSERT_TRUE(dll.Loaded());
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
  auto factory = dll.Factory();
  ASSERT_TRUE(factory);
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);

  ComPtr<IPlugin2> plugin;
  ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IPlugin2),
                                    reinterpret_cast<void**>(plugin.GetAddressOf())),
            S_OK);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(plugin.Get(), __uuidof(IUnknown),
                                    reinterpret_cast<void**>(aggregated.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  plugin.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_FALSE);  // the lock alone keeps it
  ComPtr<IClassFactory> again = dll.Factory();
  ASSERT_EQ(again->LockServer(FALSE), S_OK);
  again.Reset();
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);
}

TEST_F(DllServerTest, StartsAndStopsWithoutASiteAndReportsBesideTheDll) {
  LoadedDll dll(CopyOfDll());
  ASSERT_TRUE(dll.Loaded());
  {
    ComPtr<IPlugin2> plugin;
    ASSERT_EQ(dll.Factory()->CreateInstance(nullptr, __uuidof(IPlugin2),
                                            reinterpret_cast<void**>(plugin.GetAddressOf())),
              S_OK);
    ComPtr<IOstravelDiagnostics> diagnostics;
    ASSERT_EQ(plugin.As(&diagnostics), S_OK);
    // Every step that needs the site fails and is reported; the call itself succeeds.
    EXPECT_EQ(plugin->Initialize(nullptr), S_OK);
    LONG in_flight = -1;
    EXPECT_EQ(diagnostics->get_RequestsInFlight(&in_flight), S_OK);
    EXPECT_EQ(in_flight, 0);
    EXPECT_EQ(plugin->Terminate(), S_OK);
  }
  EXPECT_EQ(dll.CanUnloadNow(), S_OK);

  std::ifstream log(folder_ / "log.txt");
  ASSERT_TRUE(log.is_open());
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find("Error in OstravelMain.Iplugin2_Initialize"), std::string::npos)
      << text.str();
}

}  // namespace
}  // namespace ostravel::com
