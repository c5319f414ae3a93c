#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "service/scripts/ScriptCommands.h"

namespace ostravel::service {

// The staff role that may run the allegiance from the game.
inline constexpr std::string_view kOfficerRole = "officer";

// The caller as the audit names it ("officer NAME (id N)") when it is an officer; nullopt
// otherwise (also for a caller without a record).
std::optional<std::string> OfficerActor(ScriptContext& context);

// The answer to anyone else who tries an officer's command: "Only officers may `what`."
std::string OfficersOnly(std::string_view what);

// Records an officer's action in the audit, in the transaction of the change itself.
void AuditOfficer(ScriptContext& context, const std::string& actor, std::string_view action);

}  // namespace ostravel::service
