#include "service/store/GateTable.h"

#include <algorithm>

#include "base/NumberText.h"
#include "service/store/CharacterTable.h"

namespace ostravel::service {

std::optional<Gate> ReadGate(SqliteConnection& db) {
  SqliteStatement& rows =
      db.Prepare("SELECT key, value FROM settings WHERE key IN ('gate_monarch', 'gate_name')");
  Gate gate;
  while (rows.Step()) {
    if (rows.Text(0) == "gate_monarch") {
      gate.monarch = static_cast<std::int32_t>(ParseWholeNumber(rows.Text(1)).value_or(0));
    } else {
      gate.monarch_name = rows.Text(1);
    }
  }
  if (gate.monarch == 0) return std::nullopt;
  return gate;
}

void SetGate(SqliteConnection& db, const std::optional<Gate>& gate) {
  db.Exec("DELETE FROM settings WHERE key IN ('gate_monarch', 'gate_name')");
  if (!gate) return;
  SqliteStatement& insert = db.Prepare("INSERT INTO settings (key, value) VALUES (?1, ?2)");
  insert.Bind(1, "gate_monarch").Bind(2, std::to_string(gate->monarch)).Run();
  db.Prepare("INSERT INTO settings (key, value) VALUES (?1, ?2)")
      .Bind(1, "gate_name")
      .Bind(2, gate->monarch_name)
      .Run();
}

std::vector<std::int32_t> IdsNamed(SqliteConnection& db, std::string_view name) {
  std::vector<std::int32_t> ids = CharacterIdsNamed(db, name);
  SqliteStatement& nodes =
      db.Prepare("SELECT id FROM allegiance WHERE lower(name) = ?1").Bind(1, NameKey(name));
  while (nodes.Step()) ids.push_back(static_cast<std::int32_t>(nodes.Int(0)));
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace ostravel::service
