#pragma once

#include <optional>
#include <string_view>

#include "platform/DateTime.h"

namespace ostravel {

// The date before every date a message can carry; a messages page has counted nothing yet.
inline constexpr platform::DateTime kZeroDate{1899, 12, 30, 0, 0, 0};

// The receipt time of a message in the forms the system's text-to-date conversion reads in the
// US setting: the date as "YYYY-MM-DD" or "M/D/YYYY" (month and day with one or two digits),
// alone (midnight) or followed by a space (or, after the first form, a "T") and the time
// "h:mm" or "h:mm:ss" on the 24-hour clock, or with " AM"/" PM" on the 12-hour clock. Spaces
// around the text are ignored. nullopt for any other text or an impossible date or time.
std::optional<platform::DateTime> ReadReceivedDate(std::string_view text);

// Whether `a` comes strictly after `b`.
bool IsLater(const platform::DateTime& a, const platform::DateTime& b);

}  // namespace ostravel
