#include "service/admin/AdminCommands.h"

#include <array>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "platform/Clock.h"
#include "service/scripts/Officers.h"
#include "service/scripts/ServiceRequest.h"
#include "service/store/AuditTable.h"
#include "service/store/CharacterTable.h"
#include "service/store/Schema.h"
#include "service/store/SqliteConnection.h"
#include "service/store/StaffTable.h"
#include "wire/ServiceDates.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

// The tables an export writes, in an order that reads well.
constexpr std::array<const char*, 14> kTables = {
    "settings",       "staff_roles", "friends",         "characters",     "allegiance",
    "messages",       "events",      "fellowships",     "fellows",        "landblocks",
    "character_keys", "audit",       "refused_records", "sqlite_sequence"};

// What an export shows of a table: everything, but of the keys only whom they are for and
// when (a hash is no key, yet a copy of the file is the place to guess against).
std::string ExportSelect(std::string_view table) {
  if (table == "character_keys")
    return "SELECT character_id, issued_at, used_at FROM character_keys";
  return "SELECT * FROM " + std::string(table);
}

void CheckName(std::string_view name) {
  if (Trim(name).empty() || CharacterCount(name) > kMaxNameLength) {
    throw std::invalid_argument("a name has 1 to " + std::to_string(kMaxNameLength) +
                                " characters");
  }
}

std::string OnOff(bool on) {
  return on ? " on" : " off";
}

nlohmann::ordered_json RowJson(const SqliteStatement& row, const char* table) {
  nlohmann::ordered_json object = {{"table", table}};
  for (int column = 0; column < row.Columns(); ++column) {
    const std::string name = row.ColumnName(column);
    if (row.IsNull(column)) {
      object[name] = nullptr;
    } else if (row.IsInteger(column)) {
      object[name] = row.Int(column);
    } else {
      object[name] = row.Text(column);
    }
  }
  return object;
}

}  // namespace

void ChangeOnFile(const std::filesystem::path& file, std::string_view action,
                  const std::function<void(SqliteConnection&)>& change) {
  RequireDatabase(file);
  SqliteConnection db(file, SqliteConnection::Mode::kReadWrite);
  MigrateSchema(db);
  SqliteTransaction transaction(db);
  change(db);
  Audit(db, wire::FormatIsoDateTime(platform::Clock::System()->LocalNow()), "admin", action);
  transaction.Commit();
}

void RequireDatabase(const std::filesystem::path& file) {
  if (!std::filesystem::is_regular_file(file)) {
    throw DatabaseError(file.string() +
                        " is not a database file; check the path, or create it by starting "
                        "ostravel-service serve --db " +
                        file.string());
  }
}

void SetMotd(const std::filesystem::path& file, std::string_view text) {
  if (CharacterCount(text) > kMaxFieldLength) {
    throw std::invalid_argument("the message of the day has at most " +
                                std::to_string(kMaxFieldLength) + " characters");
  }
  ChangeOnFile(file, "motd " + std::string(text),
               [&](SqliteConnection& db) { SetMessageOfTheDay(db, text); });
}

void SetStaffRoleOf(const std::filesystem::path& file, std::string_view name, std::string_view role,
                    bool on) {
  CheckName(name);
  // The Members page's roles, and the officers who run the service from the game.
  if (!wire::IsStaffRole(role) && role != kOfficerRole) {
    throw std::invalid_argument("unknown role \"" + std::string(role) + "\"; the roles are " +
                                wire::JoinStaffRoles(", ", ", ") + " and " +
                                std::string(kOfficerRole));
  }
  ChangeOnFile(file, "role " + std::string(Trim(name)) + " " + std::string(role) + OnOff(on),
               [&](SqliteConnection& db) { SetRole(db, Trim(name), role, on); });
}

void SetFriendOfAllegiance(const std::filesystem::path& file, std::string_view name,
                           std::string_view allegiance, bool on) {
  CheckName(name);
  if (CharacterCount(allegiance) > kMaxNameLength) {
    throw std::invalid_argument("an allegiance name has at most " + std::to_string(kMaxNameLength) +
                                " characters");
  }
  ChangeOnFile(
      file, "friend " + std::string(Trim(name)) + " " + std::string(Trim(allegiance)) + OnOff(on),
      [&](SqliteConnection& db) { SetFriend(db, Trim(name), Trim(allegiance), on); });
}

void RenameCharacterOnFile(const std::filesystem::path& file, std::int32_t id,
                           std::string_view name) {
  CheckName(name);
  ChangeOnFile(file, "rename " + std::to_string(id) + " " + std::string(Trim(name)),
               [&](SqliteConnection& db) { RenameCharacter(db, id, Trim(name)); });
}

void BackUpDatabase(const std::filesystem::path& file, const std::filesystem::path& target) {
  RequireDatabase(file);
  const auto folder = std::filesystem::absolute(target).parent_path();
  if (!std::filesystem::is_directory(folder)) {
    throw DatabaseError("cannot write the copy " + target.string() + ": its folder " +
                        folder.string() + " does not exist; create it or name another");
  }
  SqliteConnection db(file, SqliteConnection::Mode::kInspect);
  CopyDatabase(db, target);
}

std::vector<std::string> CheckDatabase(const std::filesystem::path& file) {
  RequireDatabase(file);
  SqliteConnection db(file, SqliteConnection::Mode::kInspect);
  std::vector<std::string> problems;
  SqliteStatement& integrity = db.Prepare("PRAGMA integrity_check");
  while (integrity.Step()) {
    if (integrity.Text(0) != "ok") problems.push_back(integrity.Text(0));
  }
  SqliteStatement& keys = db.Prepare("PRAGMA foreign_key_check");
  while (keys.Step()) problems.push_back("a row of " + keys.Text(0) + " refers to nothing");
  const auto version = db.QueryInt("PRAGMA user_version");
  if (version < 1 || version > kSchemaVersion) {
    problems.push_back("schema version " + std::to_string(version) +
                       " is not one this program "
                       "knows (1 to " +
                       std::to_string(kSchemaVersion) + ")");
  }
  return problems;
}

void ExportDatabase(const std::filesystem::path& file, std::ostream& out) {
  RequireDatabase(file);
  SqliteConnection db(file, SqliteConnection::Mode::kInspect);
  // One read transaction, so that the export is one consistent picture while the server writes.
  db.Exec("BEGIN");
  for (const char* table : kTables) {
    SqliteStatement& exists =
        db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1").Bind(1, table);
    const bool found = exists.Step();
    exists.Reset();
    if (!found) continue;
    SqliteStatement& rows = db.Prepare(ExportSelect(table));
    while (rows.Step()) {
      out << RowJson(rows, table).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
          << '\n';
    }
  }
  db.Exec("COMMIT");
}

}  // namespace ostravel::service
