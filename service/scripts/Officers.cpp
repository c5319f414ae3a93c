#include "service/scripts/Officers.h"

#include "service/store/AuditTable.h"
#include "service/store/CharacterTable.h"
#include "service/store/StaffTable.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {

std::optional<std::string> OfficerActor(ScriptContext& context) {
  const std::int32_t id = context.request.character;
  const auto row = id == 0 ? std::nullopt : FindCharacter(context.db, id);
  if (!row || !RolesOf(context.db, row->name).contains(kOfficerRole)) return std::nullopt;
  return "officer " + row->name + " (id " + std::to_string(id) + ")";
}

std::string OfficersOnly(std::string_view what) {
  return "Only officers may " + std::string(what) + ".";
}

void AuditOfficer(ScriptContext& context, const std::string& actor, std::string_view action) {
  Audit(context.db, wire::FormatIsoDateTime(context.request.now), actor, action);
}

}  // namespace ostravel::service
