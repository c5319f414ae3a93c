#pragma once

#include <string>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// "landblock.php": "get" and "set TEXT" for the description of the caller's landblock (the
// upper 16 bits of its Location, so the whole block shares one text).
std::string RunLandblockScript(DemoWorld& world, const DemoRequest& request);

}  // namespace ostravel::app
