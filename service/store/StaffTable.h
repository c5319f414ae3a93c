#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/SqliteConnection.h"

namespace ostravel::service {

// Roles and friendship go by name: an admin names a member before its first record arrives.
std::set<std::string, std::less<>> RolesOf(SqliteConnection& db, std::string_view name);
// Every role, by name key: for the lists, which read them all at once.
std::map<std::string, std::set<std::string, std::less<>>, std::less<>> AllRoles(
    SqliteConnection& db);
void SetRole(SqliteConnection& db, std::string_view name, std::string_view role, bool on);

struct FriendRow {
  std::string name;
  std::string allegiance;
};
std::vector<FriendRow> AllFriends(SqliteConnection& db);
bool IsFriend(SqliteConnection& db, std::string_view name);
void SetFriend(SqliteConnection& db, std::string_view name, std::string_view allegiance, bool on);

// The admin's message of the day; nullopt while none is set.
std::optional<std::string> MessageOfTheDay(SqliteConnection& db);
void SetMessageOfTheDay(SqliteConnection& db, std::string_view text);

}  // namespace ostravel::service
