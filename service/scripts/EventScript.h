#pragma once

#include <cstddef>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

inline constexpr std::size_t kMaxEventTitleLength = 100;        // characters
inline constexpr std::size_t kMaxEventDescriptionLength = 500;  // characters

// "event.php": the quests and events of the Quests page.
const CommandSet& EventCommands();

}  // namespace ostravel::service
