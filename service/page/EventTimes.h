#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "service/page/PageData.h"

namespace ostravel::service {

// How far the service's local time is ahead of UTC at a local time, in seconds.
using UtcOffset = std::function<int(const platform::DateTime&)>;

// The event's start in the service's local time (midnight for an event without a time);
// nullopt for a text that is no date.
std::optional<platform::DateTime> EventStart(const PageEvent& event);

// Notes for each event how far its start is from UTC, so that the page and the calendar can
// place it in any time zone.
void NoteUtcOffsets(std::vector<PageEvent>& events, const UtcOffset& utc_offset);

// "2026-12-08T20:00:00+01:00" for an event with a time; "" without one, as a day is the same
// day everywhere.
std::string IsoStart(const PageEvent& event);

// The same moment in UTC.
platform::DateTime ToUtc(const platform::DateTime& local, int utc_offset);

}  // namespace ostravel::service
