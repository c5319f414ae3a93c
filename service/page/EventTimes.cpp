#include "service/page/EventTimes.h"

#include <cstdio>
#include <cstdlib>

#include "wire/ServiceDates.h"

namespace ostravel::service {

std::optional<platform::DateTime> EventStart(const PageEvent& event) {
  std::optional<platform::DateTime> start = wire::ParseIsoDate(event.starts.substr(0, 10));
  if (!start || !event.has_time) return start;
  const auto time = wire::ParseClockTime(event.starts.size() > 11 ? event.starts.substr(11) : "");
  if (!time) return std::nullopt;
  return wire::AtTime(*start, time->hour, time->minute);
}

void NoteUtcOffsets(std::vector<PageEvent>& events, const UtcOffset& utc_offset) {
  for (PageEvent& event : events) {
    if (const auto start = EventStart(event)) event.utc_offset = utc_offset(*start);
  }
}

std::string IsoStart(const PageEvent& event) {
  const auto start = EventStart(event);
  if (!start || !event.has_time) return {};
  const int minutes = std::abs(event.utc_offset) / 60;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00%c%02d:%02d", start->year,
                start->month, start->day, start->hour, start->minute,
                event.utc_offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
  return text;
}

platform::DateTime ToUtc(const platform::DateTime& local, int utc_offset) {
  return wire::AddSeconds(local, -utc_offset);
}

}  // namespace ostravel::service
