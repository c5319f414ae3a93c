// The reader of a message's receipt time: what it accepts is a real date and time, and the
// same moment written in the US form reads back as that moment.
#include <chrono>
#include <cstdio>

#include "FuzzContext.h"
#include "platform/DateTime.h"
#include "tabs/ReceivedDate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto date = ReadReceivedDate(text);
  if (!date) return 0;
  const std::chrono::year_month_day day{std::chrono::year(date->year),
                                        std::chrono::month(static_cast<unsigned>(date->month)),
                                        std::chrono::day(static_cast<unsigned>(date->day))};
  fuzz::Require(day.ok(), "an accepted date exists");
  fuzz::Require(date->hour >= 0 && date->hour <= 23 && date->minute >= 0 && date->minute <= 59 &&
                    date->second >= 0 && date->second <= 59,
                "an accepted time exists");
  char iso[40];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", date->year, date->month,
                date->day, date->hour, date->minute, date->second);
  const auto again = ReadReceivedDate(iso);
  fuzz::Require(again && *again == *date, "the ISO form reads back as the same moment");
  fuzz::Require(!IsLater(*date, *again) && !IsLater(*again, *date),
                "a moment is not later than itself");
  if (date->year >= 1000) {
    const auto us = ReadReceivedDate(platform::FormatShortDateTime(*date));
    fuzz::Require(us && *us == *date, "the US form reads back as the same moment");
  }
  return 0;
}
