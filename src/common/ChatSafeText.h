#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostravel {

// The longest line (between line breaks) that goes into the game chat, in bytes: an IRC line
// may be 64 KiB and an answer line longer still, and one such line fills the chat window.
// Four times an IRC message of RFC 1459, well above any line the service or IRC sends.
inline constexpr std::size_t kMaxChatLineBytes = 2048;
// The most text that one call puts into the game chat, in bytes: a 1 MiB answer would
// otherwise go to the host as one string. A member list of a large allegiance fits.
inline constexpr std::size_t kMaxChatTextBytes = 32 * 1024;
// What stands where a line or a text was cut.
inline constexpr std::string_view kChatCutMark = " [truncated]";

// `text` as the game chat can take it. The host gets it as a BSTR, where a NUL ends it, and
// shows other control characters as boxes: those (C0 but line breaks, DEL, C1) are removed and
// a tab becomes a space. A line longer than kMaxChatLineBytes, and the text after
// kMaxChatTextBytes, is cut between two characters and marked with kChatCutMark. Other text,
// invalid UTF-8 included, passes byte for byte.
std::string ChatSafeText(std::string_view text);

}  // namespace ostravel
