#pragma once

#include <cstddef>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

inline constexpr std::size_t kMaxLandblockTextLength = 500;  // characters

// "landblock.php": the description of the landblock a player stands in.
const CommandSet& LandblockCommands();

}  // namespace ostravel::service
