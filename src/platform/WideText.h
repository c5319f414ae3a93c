#pragma once

#include <string>
#include <string_view>

// The one conversion between the UTF-8 of the plug-in and the UTF-16 of Win32 and COM, for the
// Windows files (wchar_t is a UTF-16 unit there).
namespace ostravel::platform {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring ToWide(std::string_view utf8);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string ToUtf8(std::wstring_view wide);

}  // namespace ostravel::platform
