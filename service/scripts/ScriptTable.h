#pragma once

#include <string>
#include <string_view>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// One script of the service. A chat script dispatches on the first word of "args"; the
// Update tab's record and a fellowship report are one command each that takes the whole
// request.
struct ServiceScript {
  std::string_view name;             // "member.php"
  const CommandSet* chat = nullptr;  // the chat commands; null for a one-command script
  ScriptCommand whole;               // the one command, when `chat` is null
};

// The script of that name, or null when the service has none.
const ServiceScript* FindScript(std::string_view name);

// "member.php, message.php, ... and fellowship.php": for the answer to an unknown script.
std::string ScriptNames();

// What one request to `script` will run.
ChosenCommand ChooseCommand(const ServiceScript& script, const ServiceRequest& request);

// The access log's word for a request to a chat script: the command word when the script
// knows it ("help" for none, else "other"), never text a player typed beyond it; "" for a
// one-command script.
std::string LogDetail(const ServiceScript& script, const ServiceRequest& request);

}  // namespace ostravel::service
