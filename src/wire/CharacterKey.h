#pragma once

#include <string_view>

// The key that tells the service which player is asking for a character: the service makes
// it, the plug-in keeps it and sends it with every request for that character.
namespace ostravel::wire {

// Request header with the character's key; response header when the service gives one.
inline constexpr std::string_view kKeyHeader = "X-Ostravel-Key";
// Response header of a request refused for who is asking (status 403): its value says why.
inline constexpr std::string_view kRefusedHeader = "X-Ostravel-Refused";
inline constexpr std::string_view kRefusedKey = "key";
inline constexpr std::string_view kRefusedAllegiance = "allegiance";
inline constexpr long kRefusedStatus = 403;

// Whether `text` can be a key: 16 to 128 characters of base64url ("A"-"Z", "a"-"z", "0"-"9",
// "_", "-"). Anything else is never stored nor sent: it could break a header line or the
// settings file.
bool IsCharacterKey(std::string_view text);

}  // namespace ostravel::wire
