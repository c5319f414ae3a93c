#pragma once

#include <string>

#include "DemoRequest.h"
#include "DemoWorld.h"

namespace ostravel::app {

// "member.php": member lists (the Members and Groups pages), whois, friends and fellowships.
// List lines carry Name, Level, Template and Online ("True" or "False"); fellowship lines put
// Fellows before Fellowship, because the plug-in finds a key anywhere in the line and
// "Fellows" is the start of "Fellowship".
std::string RunMemberScript(DemoWorld& world, const DemoRequest& request);

}  // namespace ostravel::app
