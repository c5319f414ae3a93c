#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DateTime.h"
#include "service/page/PageData.h"

namespace ostravel::service {

// The events as an iCalendar feed (RFC 5545) that calendar programs subscribe to: one VEVENT
// each, with a UID that stays the same from one fetch to the next so that a program updates
// its copy rather than adding another, timed events in UTC and the others as whole days.
// Lines end in CRLF and are folded at 75 bytes. `stamp_utc` is the moment of the feed.
std::string EventCalendar(std::string_view calendar_name, const std::vector<PageEvent>& events,
                          const platform::DateTime& stamp_utc);

// Text as an iCalendar TEXT value: backslash, semicolon, comma and line breaks escaped,
// other control characters dropped.
std::string EscapeCalendarText(std::string_view text);

// A content line folded as the RFC asks: at most 75 bytes a line, a continuation starting
// with a space, never inside a UTF-8 character; each line ends in CRLF.
std::string FoldCalendarLine(std::string_view line);

}  // namespace ostravel::service
