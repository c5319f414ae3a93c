#pragma once

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// The longest message text a player may leave, in characters.
inline constexpr std::size_t kMaxMessageLength = 1000;

// "message.php": offline messages (send, inbox, outbox, read, delete) and the message of the
// day that every login asks for.
const CommandSet& MessageCommands();

}  // namespace ostravel::service
