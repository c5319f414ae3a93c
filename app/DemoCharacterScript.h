#pragma once

#include <string>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// "update.php": records the character record of the Update tab. The character then counts as
// a member (online, at its location) and shows in the lists. The answer's lines carry "Info"
// and, where there is more to say, "Help": the Update tab shows one row per line.
std::string RunUpdateScript(DemoWorld& world, const DemoRequest& request);

// "fellowship.php": records the fellowship a leader reports, or ends the record when the
// report says the caller has no fellowship (0 fellows, or the name "0"). Recorded fellowships
// are the Groups page's "fellowships" list.
std::string RunFellowshipScript(DemoWorld& world, const DemoRequest& request);

}  // namespace ostravel::app
