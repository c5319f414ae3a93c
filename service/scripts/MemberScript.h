#pragma once

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// "member.php": the member lists of the Members and Groups pages, "whois", the friends of the
// allegiance, the fellowships and the allegiance tree. Reads only.
const CommandSet& MemberCommands();

}  // namespace ostravel::service
