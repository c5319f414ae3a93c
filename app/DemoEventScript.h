#pragma once

#include <string>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// "event.php": quests and events. "list nrofdays=N" (today and the N - 1 days after it),
// "list" (all), "list mine", "add DATE [TIME] TITLE[, DESCRIPTION]", "delete ID". Lines carry
// the keys the Quests tab reads: "Event:" (the title), Date, Addedby, then ID and the
// Description last.
std::string RunEventScript(DemoWorld& world, const DemoRequest& request);

}  // namespace ostravel::app
