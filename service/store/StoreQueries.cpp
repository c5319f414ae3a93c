#include "service/store/StoreQueries.h"

#include "service/store/StaffTable.h"

namespace ostravel::service {

std::optional<std::string> StoreQueries::MessageOfTheDay() {
  return service::MessageOfTheDay(db_);
}

NameKeys StoreQueries::FriendKeys() {
  NameKeys keys;
  for (const FriendRow& ally : AllFriends(db_)) keys.insert(NameKey(ally.name));
  return keys;
}

RolesByName StoreQueries::Roles() {
  return AllRoles(db_);
}

std::vector<SeenCharacter> StoreQueries::SeenSince(std::string_view since) {
  return CharactersSeenSince(db_, since);
}

std::vector<FellowshipRow> StoreQueries::Fellowships() {
  return AllFellowships(db_);
}

std::set<std::int32_t> StoreQueries::CharactersInFellowships() {
  return service::CharactersInFellowships(db_);
}

std::vector<EventRow> StoreQueries::EventsFrom(std::string_view first, std::int64_t limit) {
  return FindEvents(db_, first, "", 0, limit);
}

std::string StoreQueries::MostNamedMonarch() {
  return service::MostNamedMonarch(db_);
}

}  // namespace ostravel::service
