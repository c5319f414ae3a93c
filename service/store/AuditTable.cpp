#include "service/store/AuditTable.h"

namespace ostravel::service {

void Audit(SqliteConnection& db, std::string_view at, std::string_view actor,
           std::string_view action) {
  db.Prepare("INSERT INTO audit (at, actor, action) VALUES (?1, ?2, ?3)")
      .Bind(1, at)
      .Bind(2, actor)
      .Bind(3, action)
      .Run();
}

std::vector<AuditEntry> AuditTrail(SqliteConnection& db) {
  SqliteStatement& rows = db.Prepare("SELECT at, actor, action FROM audit ORDER BY id");
  std::vector<AuditEntry> trail;
  while (rows.Step()) trail.push_back({rows.Text(0), rows.Text(1), rows.Text(2)});
  return trail;
}

}  // namespace ostravel::service
