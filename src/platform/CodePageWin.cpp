#include <windows.h>

#include <array>
#include <string>

#include "base/Error.h"
#include "platform/CodePage.h"

namespace ostravel::platform {
namespace {

// The UTF-16 units of one character; 0 units for a value that is no character.
int ToUtf16(char32_t code_point, std::array<wchar_t, 2>& units) {
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return 0;
  if (code_point < 0x10000) {
    units[0] = static_cast<wchar_t>(code_point);
    return 1;
  }
  if (code_point > 0x10FFFF) return 0;
  const char32_t value = code_point - 0x10000;
  units[0] = static_cast<wchar_t>(0xD800 + (value >> 10));
  units[1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
  return 2;
}

class WindowsCodePage final : public CodePage {
 public:
  explicit WindowsCodePage(int number) : CodePage(number) {
    if (number <= 0 || !IsValidCodePage(static_cast<UINT>(number))) {
      throw Error(error_number::kInvalidCall,
                  "Code page " + std::to_string(number) + " is not available on this system");
    }
  }

  std::string EncodeOne(char32_t code_point) const override {
    std::array<wchar_t, 2> units{};
    const int count = ToUtf16(code_point, units);
    if (count == 0) return {};
    std::array<char, 16> bytes{};
    BOOL used_default = FALSE;
    // UTF-8 takes neither the flag nor a default character; every other page writes "?" for
    // what it lacks instead of a look-alike ("best fit") character.
    const bool utf8 = Number() == CP_UTF8;
    const int written =
        WideCharToMultiByte(static_cast<UINT>(Number()), utf8 ? 0 : WC_NO_BEST_FIT_CHARS,
                            units.data(), count, bytes.data(), static_cast<int>(bytes.size()),
                            utf8 ? nullptr : "?", utf8 ? nullptr : &used_default);
    if (written <= 0 || used_default) return {};
    return std::string(bytes.data(), static_cast<std::size_t>(written));
  }

  bool DecodeOne(std::string_view bytes, std::string& utf8) const override {
    if (bytes.size() == 1 && IsDBCSLeadByteEx(static_cast<UINT>(Number()), bytes[0])) return false;
    std::array<wchar_t, 4> units{};
    const int count = MultiByteToWideChar(static_cast<UINT>(Number()), MB_ERR_INVALID_CHARS,
                                          bytes.data(), static_cast<int>(bytes.size()),
                                          units.data(), static_cast<int>(units.size()));
    if (count <= 0) return false;
    for (int i = 0; i < count; ++i) {
      char32_t unit = static_cast<char16_t>(units[i]);
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char16_t>(units[++i]) - 0xDC00);
      }
      AppendUtf8(utf8, unit);
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<CodePage> CodePage::Open(int number) {
  return std::make_unique<WindowsCodePage>(number);
}

int SystemCodePageNumber() {
  return static_cast<int>(GetACP());
}

}  // namespace ostravel::platform
