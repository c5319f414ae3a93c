#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostravel::platform {

// The character an invalid byte sequence decodes to.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the next UTF-8 character of `text` at `pos` and advances `pos`; an invalid byte
// gives U+FFFD and advances by one.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Whether the bytes are well-formed UTF-8 (plain ASCII is).
bool IsValidUtf8(std::string_view text);

// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& out, char32_t code_point);

}  // namespace ostravel::platform
