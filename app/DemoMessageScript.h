#pragma once

#include <string>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// "message.php": the message of the day and the offline messages (inbox new / inbox read /
// outbox lists, read, delete, send). List lines carry From (To in the outbox), MsgID,
// "Recieved" (spelt as the Messages tab reads it) and Sample, the free text last so that no
// key the tab looks for can be found inside it first.
std::string RunMessageScript(DemoWorld& world, const DemoRequest& request);

}  // namespace ostravel::app
