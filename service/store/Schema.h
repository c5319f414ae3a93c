#pragma once

#include <filesystem>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The version this program writes; PRAGMA user_version holds a database's own.
inline constexpr int kSchemaVersion = 4;

// Brings the database to kSchemaVersion, one numbered step at a time, each in a transaction
// of its own. An existing database of an older version is first copied beside itself
// ("FILE.vN.bak"); a newer one is refused. `up_to` stops earlier (the tests build databases
// of a first version with it).
void MigrateSchema(SqliteConnection& connection, int up_to = kSchemaVersion);

// The copy written before a database of `version` is migrated.
std::filesystem::path MigrationBackupPath(const std::filesystem::path& file, int version);

// A consistent copy of the database in `target` (which must not exist), taken while others
// read and write: VACUUM INTO runs as one read transaction, so steady writers do not restart
// it as they would restart the online backup API.
void CopyDatabase(SqliteConnection& connection, const std::filesystem::path& target);

}  // namespace ostravel::service
