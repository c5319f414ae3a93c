#include "service/AllegianceGate.h"

#include <algorithm>

#include "service/CharacterTable.h"
#include "service/StaffTable.h"
#include "wire/AnswerRecord.h"

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

bool PassesGate(SqliteConnection& db, const Gate& gate, const ServiceRequest& request) {
  if (request.monarch == gate.monarch || request.character == gate.monarch) return true;
  const auto own = request.character == 0 ? std::nullopt : FindCharacter(db, request.character);
  const std::string name = own ? own->name : wire::CleanValue(request.Field("Name"));
  return !name.empty() && IsFriend(db, name);
}

std::string GateRefusal(const Gate& gate) {
  return wire::CleanValue("This is the Ostravel service of the allegiance of " + gate.monarch_name +
                          ", for its members and its friends only; your character is neither. "
                          "An officer of that allegiance can list you as a friend.");
}

}  // namespace ostravel::service
