#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// A quest or event to announce.
struct NewEvent {
  std::string starts_at;  // "YYYY-MM-DD hh:mm", or "YYYY-MM-DD" without a time
  bool has_time = true;
  std::string title;
  std::string description;
  std::int32_t added_by = 0;
  std::string added_at;
};

// A quest or event on file.
struct EventRow {
  std::int64_t id = 0;
  std::string starts_at;  // "YYYY-MM-DD hh:mm" or, without a time, "YYYY-MM-DD"
  bool has_time = false;
  std::string title;
  std::string description;
  std::int32_t added_by = 0;
  std::string added_by_name;  // the name on file; "" when the character is unknown
};

std::int64_t InsertEvent(SqliteConnection& db, const NewEvent& event);
// Events from `first` (a date) up to, not including, `last` (a date; "" for no end), of one
// character when `added_by` is not 0, in the order they happen, at most `limit` (-1: all).
std::vector<EventRow> FindEvents(SqliteConnection& db, std::string_view first,
                                 std::string_view last, std::int32_t added_by,
                                 std::int64_t limit = -1);
// How many events one character has added that start on `first` (a date) or later.
std::int64_t CountEventsFrom(SqliteConnection& db, std::int32_t added_by, std::string_view first);
std::optional<EventRow> FindEvent(SqliteConnection& db, std::int64_t id);
void DeleteEvent(SqliteConnection& db, std::int64_t id);

}  // namespace ostravel::service
