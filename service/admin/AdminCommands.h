#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// The admin's commands on the database file, safe while ostravel-service serves it: each
// opens a connection of its own and changes in one short transaction, waiting for the
// server's writer when it must. They throw DatabaseError (naming the file and what to do)
// or std::invalid_argument for a value they refuse.

// Fails when the file is missing: the admin commands never create a database.
void RequireDatabase(const std::filesystem::path& file);

// Runs `change` on the file in one transaction, with the schema brought up to date first, and
// records `action` in the audit as the admin's.
void ChangeOnFile(const std::filesystem::path& file, std::string_view action,
                  const std::function<void(SqliteConnection&)>& change);

void SetMotd(const std::filesystem::path& file, std::string_view text);
// `role`: one of the staff roles of the Members page ("magistrate", "brt", ...).
void SetStaffRoleOf(const std::filesystem::path& file, std::string_view name, std::string_view role,
                    bool on);
void SetFriendOfAllegiance(const std::filesystem::path& file, std::string_view name,
                           std::string_view allegiance, bool on);
// Gives the character `id` the name `name`, so that its next record under that name is taken.
void RenameCharacterOnFile(const std::filesystem::path& file, std::int32_t id,
                           std::string_view name);
// A consistent copy of the database in `target`, which must not exist.
void BackUpDatabase(const std::filesystem::path& file, const std::filesystem::path& target);
// What the integrity check finds wrong; empty when the database is sound.
std::vector<std::string> CheckDatabase(const std::filesystem::path& file);
// Every row of every table as one JSON object per line: {"table": "messages", "id": 1, ...}.
void ExportDatabase(const std::filesystem::path& file, std::ostream& out);

}  // namespace ostravel::service
