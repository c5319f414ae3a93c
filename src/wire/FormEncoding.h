#pragma once

#include <string>
#include <string_view>

namespace ostravel::platform {
class CodePage;
}

namespace ostravel::wire {

// How an "&" in the text is written: as itself where it separates fields, as %26 inside a
// value, where it must not end the field.
enum class Ampersand { kSeparates, kInValue };

// Appends UTF-8 `text` form-encoded through the code page, one character at a time: letters,
// digits and "*@._-=" stay (and "&" as `ampersand` says), a space becomes "+", anything else
// "%" and its code-page bytes in upper-case hexadecimal ("%0" before a single digit). The
// result is plain ASCII.
void AppendFormEncoded(std::string& out, std::string_view text, const platform::CodePage& code_page,
                       Ampersand ampersand);

// A whole text encoded as above, its "&" kept as separators.
std::string FormEncoded(std::string_view text, const platform::CodePage& code_page);

}  // namespace ostravel::wire
