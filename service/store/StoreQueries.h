#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "service/store/CharacterTable.h"
#include "service/store/EventTable.h"
#include "service/store/FellowshipTable.h"

namespace ostravel::service {

class SqliteConnection;

using NameKeys = std::set<std::string, std::less<>>;
using RolesByName = std::map<std::string, NameKeys, std::less<>>;

// The reads a caller outside the store makes (the members' page), all on one read connection
// so that what it shows is one moment's state. It never sees the connection or the SQL.
class StoreQueries {
 public:
  explicit StoreQueries(SqliteConnection& db) : db_(db) {}

  std::optional<std::string> MessageOfTheDay();
  // The name keys of the friends of the allegiance, who are not members.
  NameKeys FriendKeys();
  // Every staff role, by name key.
  RolesByName Roles();
  std::vector<SeenCharacter> SeenSince(std::string_view since);
  std::vector<FellowshipRow> Fellowships();
  std::set<std::int32_t> CharactersInFellowships();
  // The events from the day `first` on, in the order they happen, at most `limit`.
  std::vector<EventRow> EventsFrom(std::string_view first, std::int64_t limit);
  // The monarch's name most members' records give (a visitor of another allegiance may post
  // too, but fewer of them); "" before the first record.
  std::string MostNamedMonarch();

 private:
  SqliteConnection& db_;
};

// Runs reads on one of the store's read connections.
class StoreReader {
 public:
  virtual ~StoreReader() = default;
  virtual void Query(const std::function<void(StoreQueries&)>& reads) = 0;
};

}  // namespace ostravel::service
