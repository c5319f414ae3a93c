#include "platform/UtcOffset.h"

#include <chrono>
#include <cstdint>
#include <ctime>

namespace ostravel::platform {

int LocalUtcOffsetSeconds(const DateTime& local) {
  std::tm fields{};
  fields.tm_year = local.year - 1900;
  fields.tm_mon = local.month - 1;
  fields.tm_mday = local.day;
  fields.tm_hour = local.hour;
  fields.tm_min = local.minute;
  fields.tm_sec = local.second;
  fields.tm_isdst = -1;  // the zone's rules decide
  const std::time_t instant = std::mktime(&fields);
  if (instant == static_cast<std::time_t>(-1)) return 0;
  // mktime wrote the local time it settled on back (a time a clock change skipped moves on):
  // read as if it were UTC, its distance from the instant is the offset there.
  const std::chrono::sys_days day{std::chrono::year(fields.tm_year + 1900) /
                                  std::chrono::month(static_cast<unsigned>(fields.tm_mon + 1)) /
                                  std::chrono::day(static_cast<unsigned>(fields.tm_mday))};
  const std::int64_t as_utc = std::int64_t{day.time_since_epoch().count()} * 86400 +
                              fields.tm_hour * 3600 + fields.tm_min * 60 + fields.tm_sec;
  return static_cast<int>(as_utc - static_cast<std::int64_t>(instant));
}

}  // namespace ostravel::platform
