#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/Clipboard.h"

namespace ostravel::platform {
namespace {

std::wstring ClipboardUnicodeText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST(ClipboardWinTest, PutsTheTextOnTheClipboardAsUnicode) {
  ASSERT_TRUE(SetClipboardText("4294967295"));
  EXPECT_EQ(ClipboardUnicodeText(), L"4294967295");
  ASSERT_TRUE(SetClipboardText("Zo\xC3\xAB \xE4\xB8\xAD"));  // beyond any one code page
  EXPECT_EQ(ClipboardUnicodeText(), L"Zo\u00EB \u4E2D");
  ASSERT_TRUE(SetClipboardText(""));
  EXPECT_EQ(ClipboardUnicodeText(), L"");
}

}  // namespace
}  // namespace ostravel::platform
