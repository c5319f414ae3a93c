#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostravel::platform {

// Text encodings named as XML declarations name them, numbered as Windows numbers code
// pages. The numbers with a meaning of their own here:
inline constexpr int kUtf8 = 65001;
inline constexpr int kUtf16LE = 1200;
inline constexpr int kUtf16BE = 1201;
inline constexpr int kLatin1 = 28591;  // ISO-8859-1: every byte is the character of its value
inline constexpr int kAscii = 20127;

// The code page an encoding name stands for ("UTF-8", "ISO-8859-1", "windows-1252",
// "cp932", "Shift_JIS", ...), letter case ignored; none for a name it does not know.
std::optional<int> CodePageForEncodingName(std::string_view name);

// The name written into a declaration for a code page that has no name of the file's own.
std::string EncodingNameForCodePage(int code_page);

// Whether two code page numbers name the same encoding for a declaration ("UTF-16" names
// both byte orders).
bool SameEncoding(int a, int b);

// Bytes in the code page to UTF-8. Bytes without a mapping become U+FFFD (the code page
// layer's rule). Throws Error when the system cannot convert that code page.
std::string DecodeText(std::string_view bytes, int code_page);

// UTF-8 to bytes of the code page; none when a character has no form there (so the text
// would not read back the same).
std::optional<std::string> EncodeText(std::string_view utf8, int code_page);

}  // namespace ostravel::platform
