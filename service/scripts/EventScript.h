#pragma once

#include <cstdint>
#include <string>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

inline constexpr std::size_t kMaxEventTitleLength = 100;        // characters
inline constexpr std::size_t kMaxEventDescriptionLength = 500;  // characters

// A quest or event to announce.
struct NewEvent {
  std::string starts_at;  // "YYYY-MM-DD hh:mm", or "YYYY-MM-DD" without a time
  bool has_time = true;
  std::string title;
  std::string description;
  std::int32_t added_by = 0;
  std::string added_at;
};
std::int64_t InsertEvent(SqliteConnection& db, const NewEvent& event);

// "event.php": the quests and events of the Quests page.
const CommandSet& EventCommands();

}  // namespace ostravel::service
