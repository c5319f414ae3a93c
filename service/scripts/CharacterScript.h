#pragma once

#include <string>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// "update.php": stores the character record of the Update tab, with the allegiance tree it
// describes (monarch, patron, vassals). The character then counts as a member and shows in the
// lists. A record that gives a known character id another name is refused (and logged): one
// player's slip must not overwrite another's record; an admin allows a real rename with
// "ostravel-service rename". The answer's lines carry "Info" and, where
// there is more to say, "Help": the Update tab shows one row per line.
std::string RunUpdateScript(ScriptContext& context);

// "fellowship.php": records the fellowship a leader reports, or ends the record when the
// report says the caller has no fellowship (0 fellows, or the name "0").
std::string RunFellowshipScript(ScriptContext& context);

}  // namespace ostravel::service
