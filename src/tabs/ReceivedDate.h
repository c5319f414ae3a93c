#pragma once

#include <optional>
#include <string_view>

#include "platform/DateTime.h"

namespace ostravel {

// The date before every date a message can carry; a messages page has counted nothing yet.
inline constexpr platform::DateTime kZeroDate{1899, 12, 30, 0, 0, 0};

// The receipt time of a message as the server writes it: "YYYY-MM-DD hh:mm:ss" (24-hour
// clock) or "M/D/YYYY h:mm:ss AM|PM". Spaces around the text are ignored. nullopt for any
// other text or an impossible date or time.
std::optional<platform::DateTime> ReadReceivedDate(std::string_view text);

// Whether `a` comes strictly after `b`.
bool IsLater(const platform::DateTime& a, const platform::DateTime& b);

}  // namespace ostravel
