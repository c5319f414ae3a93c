#include "service/store/Schema.h"

#include <array>
#include <string>

namespace ostravel::service {
namespace {

// Step N takes a database from version N - 1 to N. Never change a step once released: add one.
constexpr std::array<const char*, kSchemaVersion> kSteps = {
    // 1: the first release.
    R"sql(
CREATE TABLE characters(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  name_key TEXT NOT NULL,
  server TEXT NOT NULL DEFAULT '',
  level INTEGER NOT NULL DEFAULT 1,
  template TEXT NOT NULL DEFAULT '',
  race TEXT NOT NULL DEFAULT '',
  gender TEXT NOT NULL DEFAULT '',
  rank INTEGER NOT NULL DEFAULT 0,
  followers INTEGER NOT NULL DEFAULT 0,
  vassals INTEGER NOT NULL DEFAULT 0,
  monarch_id INTEGER NOT NULL DEFAULT 0,
  patron_id INTEGER NOT NULL DEFAULT 0,
  monarch_name TEXT NOT NULL DEFAULT '',
  patron_name TEXT NOT NULL DEFAULT '',
  shares_info INTEGER NOT NULL DEFAULT 1,
  pk INTEGER NOT NULL DEFAULT 0,
  skills TEXT NOT NULL DEFAULT '',
  record TEXT NOT NULL DEFAULT '',
  updated_at TEXT NOT NULL);
CREATE INDEX characters_name ON characters(name_key);
CREATE TABLE allegiance(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  patron_id INTEGER NOT NULL DEFAULT 0,
  monarch_id INTEGER NOT NULL DEFAULT 0,
  rank INTEGER NOT NULL DEFAULT 0,
  gender TEXT NOT NULL DEFAULT '',
  race TEXT NOT NULL DEFAULT '',
  produced_xp TEXT NOT NULL DEFAULT '0',
  reported_by INTEGER NOT NULL,
  reported_at TEXT NOT NULL);
CREATE INDEX allegiance_patron ON allegiance(patron_id);
CREATE TABLE messages(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  sender_id INTEGER NOT NULL,
  recipient_id INTEGER NOT NULL,
  recipient_name TEXT NOT NULL,
  body TEXT NOT NULL,
  sent_at TEXT NOT NULL,
  is_read INTEGER NOT NULL DEFAULT 0,
  sender_deleted INTEGER NOT NULL DEFAULT 0,
  recipient_deleted INTEGER NOT NULL DEFAULT 0);
CREATE TABLE events(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  starts_at TEXT NOT NULL,
  has_time INTEGER NOT NULL,
  title TEXT NOT NULL,
  description TEXT NOT NULL,
  added_by INTEGER NOT NULL,
  added_at TEXT NOT NULL);
CREATE TABLE fellowships(
  poster_id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  leader_id INTEGER NOT NULL,
  leader_name TEXT NOT NULL,
  leader_level INTEGER NOT NULL,
  shared_xp INTEGER NOT NULL,
  reported_at TEXT NOT NULL);
CREATE TABLE fellows(
  poster_id INTEGER NOT NULL REFERENCES fellowships(poster_id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  id INTEGER NOT NULL,
  name TEXT NOT NULL,
  level INTEGER NOT NULL,
  PRIMARY KEY(poster_id, position));
CREATE TABLE landblocks(
  block INTEGER PRIMARY KEY,
  text TEXT NOT NULL,
  set_by INTEGER NOT NULL,
  set_at TEXT NOT NULL);
CREATE TABLE staff_roles(
  name_key TEXT NOT NULL,
  role TEXT NOT NULL,
  PRIMARY KEY(name_key, role));
CREATE TABLE friends(
  name_key TEXT PRIMARY KEY,
  name TEXT NOT NULL,
  allegiance TEXT NOT NULL);
CREATE TABLE settings(
  key TEXT PRIMARY KEY,
  value TEXT NOT NULL);
)sql",
    // 2: players looking for a fellowship are remembered with their record; indexes for the
    // mailboxes; refused records are kept for the admin.
    R"sql(
ALTER TABLE characters ADD COLUMN wants_fellowship INTEGER NOT NULL DEFAULT 0;
CREATE INDEX messages_recipient ON messages(recipient_id, recipient_deleted);
CREATE INDEX messages_sender ON messages(sender_id, sender_deleted);
CREATE TABLE refused_records(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  character_id INTEGER NOT NULL,
  claimed_name TEXT NOT NULL,
  known_name TEXT NOT NULL,
  at TEXT NOT NULL);
)sql",
    // 3: a log of the characters written, so that the service's in-memory member lists see
    // every change, an admin's command beside the running service included. It keeps the
    // latest 10,000 (never the newest, so a new seq is always above every earlier one); a
    // reader that lags further reads the table again.
    R"sql(
CREATE TABLE character_changes(
  seq INTEGER PRIMARY KEY,
  id INTEGER NOT NULL);
CREATE TRIGGER characters_inserted AFTER INSERT ON characters BEGIN
  INSERT INTO character_changes(id) VALUES (new.id);
  DELETE FROM character_changes WHERE seq <= last_insert_rowid() - 10000;
END;
CREATE TRIGGER characters_updated AFTER UPDATE ON characters BEGIN
  INSERT INTO character_changes(id) SELECT old.id WHERE old.id <> new.id;
  INSERT INTO character_changes(id) VALUES (new.id);
  DELETE FROM character_changes WHERE seq <= last_insert_rowid() - 10000;
END;
CREATE TRIGGER characters_deleted AFTER DELETE ON characters BEGIN
  INSERT INTO character_changes(id) VALUES (old.id);
  DELETE FROM character_changes WHERE seq <= last_insert_rowid() - 10000;
END;
)sql",
    // 4: who is asking. Each character's key is kept only as its hash: offered ones wait
    // (used_at NULL) until the first request that carries one, which then is the key. The audit
    // keeps what officers and the admin changed.
    R"sql(
CREATE TABLE character_keys(
  character_id INTEGER NOT NULL,
  key_hash TEXT NOT NULL,
  issued_at TEXT NOT NULL,
  used_at TEXT,
  PRIMARY KEY(character_id, key_hash));
CREATE TABLE audit(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  at TEXT NOT NULL,
  actor TEXT NOT NULL,
  action TEXT NOT NULL);
)sql",
};

}  // namespace

std::filesystem::path MigrationBackupPath(const std::filesystem::path& file, int version) {
  return std::filesystem::path(file.string() + ".v" + std::to_string(version) + ".bak");
}

void CopyDatabase(SqliteConnection& connection, const std::filesystem::path& target) {
  if (std::filesystem::exists(target)) {
    throw DatabaseError(target.string() + " exists already; name a new file for the copy");
  }
  connection.Prepare("VACUUM INTO ?1").Bind(1, target.string()).Run();
}

void MigrateSchema(SqliteConnection& connection, int up_to) {
  const auto version = static_cast<int>(connection.QueryInt("PRAGMA user_version"));
  if (version > kSchemaVersion) {
    throw DatabaseError(connection.File().string() + " has schema version " +
                        std::to_string(version) + ", newer than this program's " +
                        std::to_string(kSchemaVersion) + "; run a newer ostravel-service");
  }
  if (version >= up_to) return;
  if (version > 0) {
    const auto backup = MigrationBackupPath(connection.File(), version);
    std::filesystem::remove(backup);
    CopyDatabase(connection, backup);
  }
  for (int step = version + 1; step <= up_to; ++step) {
    SqliteTransaction transaction(connection);
    connection.Exec(kSteps[static_cast<std::size_t>(step - 1)]);
    connection.Exec("PRAGMA user_version=" + std::to_string(step));
    transaction.Commit();
  }
}

}  // namespace ostravel::service
