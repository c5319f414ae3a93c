#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// Who changed what, and when: every officer's action and every admin command that changes
// data. `actor` is "admin" or "officer NAME (id N)".
struct AuditEntry {
  std::string at;
  std::string actor;
  std::string action;
};

void Audit(SqliteConnection& db, std::string_view at, std::string_view actor,
           std::string_view action);
// Oldest first.
std::vector<AuditEntry> AuditTrail(SqliteConnection& db);

}  // namespace ostravel::service
