#include "service/store/StaffTable.h"

#include "service/store/CharacterTable.h"

namespace ostravel::service {

std::set<std::string, std::less<>> RolesOf(SqliteConnection& db, std::string_view name) {
  SqliteStatement& statement =
      db.Prepare("SELECT role FROM staff_roles WHERE name_key = ?1").Bind(1, NameKey(name));
  std::set<std::string, std::less<>> roles;
  while (statement.Step()) roles.insert(statement.Text(0));
  return roles;
}

std::map<std::string, std::set<std::string, std::less<>>, std::less<>> AllRoles(
    SqliteConnection& db) {
  SqliteStatement& statement = db.Prepare("SELECT name_key, role FROM staff_roles");
  std::map<std::string, std::set<std::string, std::less<>>, std::less<>> roles;
  while (statement.Step()) roles[statement.Text(0)].insert(statement.Text(1));
  return roles;
}

void SetRole(SqliteConnection& db, std::string_view name, std::string_view role, bool on) {
  if (on) {
    db.Prepare("INSERT OR IGNORE INTO staff_roles (name_key, role) VALUES (?1, ?2)")
        .Bind(1, NameKey(name))
        .Bind(2, role)
        .Run();
  } else {
    db.Prepare("DELETE FROM staff_roles WHERE name_key = ?1 AND role = ?2")
        .Bind(1, NameKey(name))
        .Bind(2, role)
        .Run();
  }
}

std::vector<FriendRow> AllFriends(SqliteConnection& db) {
  SqliteStatement& statement = db.Prepare("SELECT name, allegiance FROM friends ORDER BY name");
  std::vector<FriendRow> rows;
  while (statement.Step()) rows.push_back({statement.Text(0), statement.Text(1)});
  return rows;
}

bool IsFriend(SqliteConnection& db, std::string_view name) {
  SqliteStatement& statement =
      db.Prepare("SELECT 1 FROM friends WHERE name_key = ?1").Bind(1, NameKey(name));
  const bool found = statement.Step();
  statement.Reset();
  return found;
}

void SetFriend(SqliteConnection& db, std::string_view name, std::string_view allegiance, bool on) {
  if (on) {
    db.Prepare("INSERT OR REPLACE INTO friends (name_key, name, allegiance) VALUES (?1, ?2, ?3)")
        .Bind(1, NameKey(name))
        .Bind(2, name)
        .Bind(3, allegiance)
        .Run();
  } else {
    db.Prepare("DELETE FROM friends WHERE name_key = ?1").Bind(1, NameKey(name)).Run();
  }
}

std::optional<std::string> MessageOfTheDay(SqliteConnection& db) {
  SqliteStatement& statement = db.Prepare("SELECT value FROM settings WHERE key = 'motd'");
  if (!statement.Step()) return std::nullopt;
  std::string text = statement.Text(0);
  statement.Reset();
  return text;
}

void SetMessageOfTheDay(SqliteConnection& db, std::string_view text) {
  db.Prepare("INSERT OR REPLACE INTO settings (key, value) VALUES ('motd', ?1)")
      .Bind(1, text)
      .Run();
}

}  // namespace ostravel::service
