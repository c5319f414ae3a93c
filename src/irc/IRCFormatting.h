#pragma once

#include <string>
#include <string_view>

namespace ostravel {

// Removes mIRC's formatting codes from a line of IRC text before it reaches the game chat,
// which would show them as stray boxes: bold, colours (numbered, "\x03" with up to two digits
// and an optional "," and up to two more; hexadecimal, "\x04" with six hex digits and an
// optional "," and six more), reset, reverse, italic, underline, strike-through and
// monospace. The text is UTF-8; every code is ASCII, so multi-byte characters pass whole.
std::string StripFormatting(std::string_view text);

}  // namespace ostravel
