#include "service/admin/AccessAdmin.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "base/Words.h"
#include "service/admin/AdminCommands.h"
#include "service/store/AuditTable.h"
#include "service/store/CharacterTable.h"
#include "service/store/GateTable.h"
#include "service/store/KeyTable.h"
#include "service/store/Schema.h"

namespace ostravel::service {
namespace {

// A read-only look at the file, at the current schema (an older file is migrated first).
template <class Look>
void LookAt(const std::filesystem::path& file, Look look) {
  RequireDatabase(file);
  {
    SqliteConnection upgrade(file, SqliteConnection::Mode::kReadWrite);
    MigrateSchema(upgrade);
  }
  SqliteConnection db(file, SqliteConnection::Mode::kReadOnly);
  look(db);
}

std::string IdList(const std::vector<std::int32_t>& ids) {
  std::string text;
  for (const std::int32_t id : ids) text += (text.empty() ? "" : ", ") + std::to_string(id);
  return text;
}

}  // namespace

void ListKeysOnFile(const std::filesystem::path& file, std::ostream& out) {
  LookAt(file, [&](SqliteConnection& db) {
    for (const KeyListing& line : ListKeys(db)) {
      out << line.id << '\t' << (line.name.empty() ? "(no record)" : line.name) << '\t'
          << line.state;
      if (line.state == "given") out << " " << line.at;
      if (line.state == "in use") out << ", last used " << line.at;
      out << '\n';
    }
  });
}

void ResetKeyOnFile(const std::filesystem::path& file, std::string_view name) {
  const std::string trimmed(Trim(name));
  ChangeOnFile(file, "reset-key " + trimmed, [&](SqliteConnection& db) {
    const std::vector<std::int32_t> ids = CharacterIdsNamed(db, trimmed);
    if (ids.empty()) {
      throw std::invalid_argument("no character named " + trimmed +
                                  "; ostravel-service keys lists them");
    }
    if (ids.size() > 1) {
      throw std::invalid_argument("several characters are named " + trimmed + " (ids " +
                                  IdList(ids) + "); give the name to one with rename first");
    }
    ForgetKeys(db, ids.front());
  });
}

void PrintAudit(const std::filesystem::path& file, std::ostream& out) {
  LookAt(file, [&](SqliteConnection& db) {
    for (const AuditEntry& entry : AuditTrail(db)) {
      out << entry.at << '\t' << entry.actor << '\t' << entry.action << '\n';
    }
  });
}

void SetAllegianceGate(const std::filesystem::path& file, std::string_view name,
                       std::ostream& out) {
  const std::string trimmed(Trim(name));
  if (trimmed == "off") {
    ChangeOnFile(file, "allegiance off", [](SqliteConnection& db) { SetGate(db, std::nullopt); });
    out << "The service serves everyone.\n";
    return;
  }
  Gate gate{0, trimmed};
  ChangeOnFile(file, "allegiance " + trimmed, [&](SqliteConnection& db) {
    const std::vector<std::int32_t> ids = IdsNamed(db, trimmed);
    if (ids.empty()) {
      throw std::invalid_argument("no character or allegiance record names " + trimmed +
                                  "; the monarch or a member must have sent a record first");
    }
    if (ids.size() > 1) {
      throw std::invalid_argument("the records know several characters named " + trimmed +
                                  " (ids " + IdList(ids) + ")");
    }
    gate.monarch = ids.front();
    SetGate(db, gate);
  });
  out << "The service serves the allegiance of " << trimmed << " (monarch id " << gate.monarch
      << ") and its friends.\n";
}

}  // namespace ostravel::service
