#pragma once

#include <string_view>

#include "wire/FieldNames.h"

// The key that tells the service which player is asking for a character: the service makes
// it, the plug-in keeps it and sends it with every request for that character (the headers
// are in FieldNames.h).
namespace ostravel::wire {

// The status of an answer refused for who is asking; header::kRefused says why.
inline constexpr long kRefusedStatus = 403;

// Whether `text` can be a key: 16 to 128 characters of base64url ("A"-"Z", "a"-"z", "0"-"9",
// "_", "-"). Anything else is never stored nor sent: it could break a header line or the
// settings file.
bool IsCharacterKey(std::string_view text);

}  // namespace ostravel::wire
