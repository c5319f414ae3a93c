#include <gtest/gtest.h>

#include <optional>

#include "com/server/Registration.h"

namespace ostravel::com {
namespace {

constexpr const wchar_t* kTestRoot = L"Software\\OstravelRegistrationTest";

// A scratch key under HKEY_CURRENT_USER standing in for HKEY_CLASSES_ROOT.
class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &root_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestRoot);
  }

  std::optional<std::wstring> Value(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(root_, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    return std::wstring(data);
  }
  bool KeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root_, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
  }
  void Put(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    ASSERT_EQ(RegSetKeyValueW(root_, key.c_str(), name, REG_SZ, data.c_str(),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }

  HKEY root_ = nullptr;
};

const std::wstring kClassKey = L"CLSID\\{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}";

TEST_F(RegistrationTest, RegisteringAgainKeepsOneRegistrationAndRemovingLeavesOthersValues) {
  ASSERT_EQ(WriteRegistration(root_, ServerRegistration(L"C:\\old\\ostravel.dll")), S_OK);
  ASSERT_EQ(WriteRegistration(root_, ServerRegistration(L"D:\\new folder\\ostravel.dll")), S_OK);
  EXPECT_EQ(Value(kClassKey), L"Ostravel");
  EXPECT_EQ(Value(kClassKey + L"\\InprocServer32"), L"D:\\new folder\\ostravel.dll");
  EXPECT_EQ(Value(kClassKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(Value(kClassKey + L"\\ProgID"), L"Ostravel.OstravelMain");
  EXPECT_EQ(Value(L"Ostravel.OstravelMain"), L"Ostravel");
  EXPECT_EQ(Value(L"Ostravel.OstravelMain\\CLSID"), L"{0277BF8F-7C11-4FC2-A64D-7C1776CCA881}");

  Put(kClassKey, L"AppID", L"{someone else's}");
  Put(L"Ostravel.OstravelMain\\CurVer", nullptr, L"Ostravel.OstravelMain.3");
  Put(L"CLSID\\{11111111-2222-3333-4444-555555555555}", nullptr, L"Neighbour");
  ASSERT_EQ(RemoveRegistration(root_, ServerRegistration(L"")), S_OK);

  EXPECT_FALSE(KeyExists(kClassKey + L"\\InprocServer32"));
  EXPECT_FALSE(KeyExists(kClassKey + L"\\ProgID"));
  EXPECT_FALSE(KeyExists(L"Ostravel.OstravelMain\\CLSID"));
  // Keys holding others' values or subkeys stay, without our values.
  EXPECT_EQ(Value(kClassKey, L"AppID"), L"{someone else's}");
  EXPECT_EQ(Value(kClassKey), std::nullopt);
  EXPECT_EQ(Value(L"Ostravel.OstravelMain"), std::nullopt);
  EXPECT_EQ(Value(L"Ostravel.OstravelMain\\CurVer"), L"Ostravel.OstravelMain.3");
  EXPECT_EQ(Value(L"CLSID\\{11111111-2222-3333-4444-555555555555}"), L"Neighbour");
  // Removing what is not there is no error.
  EXPECT_EQ(RemoveRegistration(root_, ServerRegistration(L"")), S_OK);
}

TEST_F(RegistrationTest, AFailedWriteLeavesNoHalfWrittenRegistration) {
  // Under a volatile key only volatile keys can be made: the third value cannot be written.
  HKEY is_volatile = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root_, L"Volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &is_volatile, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(is_volatile);
  const std::vector<RegistryValue> values = {
      {L"First", L"", L"1"}, {L"First\\Second", L"Name", L"2"}, {L"Volatile\\Third", L"", L"3"}};

  EXPECT_TRUE(FAILED(WriteRegistration(root_, values)));
  EXPECT_FALSE(KeyExists(L"First\\Second"));
  EXPECT_FALSE(KeyExists(L"First"));
  EXPECT_TRUE(KeyExists(L"Volatile"));
}

}  // namespace
}  // namespace ostravel::com
