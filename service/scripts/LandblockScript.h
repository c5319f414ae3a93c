#pragma once

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

inline constexpr std::size_t kMaxLandblockTextLength = 500;  // characters

// Sets the description of the landblock at `location`.
void SaveLandblockText(SqliteConnection& db, std::uint32_t location, std::string_view text,
                       std::int32_t set_by, std::string_view at);

// "landblock.php": the description of the landblock a player stands in.
const CommandSet& LandblockCommands();

// The landblock of a location: its upper 16 bits.
constexpr std::uint32_t LandblockOf(std::uint32_t location) {
  return location >> 16;
}

}  // namespace ostravel::service
