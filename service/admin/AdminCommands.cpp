#include "service/admin/AdminCommands.h"

#include <array>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "service/scripts/ServiceRequest.h"
#include "service/store/CharacterTable.h"
#include "service/store/Schema.h"
#include "service/store/SqliteConnection.h"
#include "service/store/StaffTable.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

// The tables an export writes, in an order that reads well.
constexpr std::array<const char*, 12> kTables = {
    "settings", "staff_roles", "friends", "characters", "allegiance",      "messages",
    "events",   "fellowships", "fellows", "landblocks", "refused_records", "sqlite_sequence"};

// A connection for a change, with the schema brought up to date first.
template <class Change>
void Change_(const std::filesystem::path& file, Change change) {
  RequireDatabase(file);
  SqliteConnection db(file, SqliteConnection::Mode::kReadWrite);
  MigrateSchema(db);
  SqliteTransaction transaction(db);
  change(db);
  transaction.Commit();
}

void CheckName(std::string_view name) {
  if (Trim(name).empty() || CharacterCount(name) > kMaxNameLength) {
    throw std::invalid_argument("a name has 1 to " + std::to_string(kMaxNameLength) +
                                " characters");
  }
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
  Change_(file, [&](SqliteConnection& db) { SetMessageOfTheDay(db, text); });
}

void SetStaffRoleOf(const std::filesystem::path& file, std::string_view name, std::string_view role,
                    bool on) {
  CheckName(name);
  if (!wire::IsStaffRole(role)) {
    throw std::invalid_argument("unknown role \"" + std::string(role) + "\"; the roles are " +
                                wire::JoinStaffRoles(", ", " and "));
  }
  Change_(file, [&](SqliteConnection& db) { SetRole(db, Trim(name), role, on); });
}

void SetFriendOfAllegiance(const std::filesystem::path& file, std::string_view name,
                           std::string_view allegiance, bool on) {
  CheckName(name);
  if (CharacterCount(allegiance) > kMaxNameLength) {
    throw std::invalid_argument("an allegiance name has at most " + std::to_string(kMaxNameLength) +
                                " characters");
  }
  Change_(file, [&](SqliteConnection& db) { SetFriend(db, Trim(name), Trim(allegiance), on); });
}

void RenameCharacterOnFile(const std::filesystem::path& file, std::int32_t id,
                           std::string_view name) {
  CheckName(name);
  Change_(file, [&](SqliteConnection& db) {
    if (!RenameCharacter(db, id, Trim(name))) {
      throw std::invalid_argument("no character with id " + std::to_string(id) + " in " +
                                  file.string() + "; ostravel-service export lists them");
    }
  });
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
    SqliteStatement& rows = db.Prepare(std::string("SELECT * FROM ") + table);
    while (rows.Step()) {
      out << RowJson(rows, table).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
          << '\n';
    }
  }
  db.Exec("COMMIT");
}

}  // namespace ostravel::service
