#include "service/page/PageData.h"

#include <algorithm>
#include <map>
#include <set>

#include "service/CharacterTable.h"
#include "service/FellowshipTable.h"
#include "service/StaffTable.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

using RoleTable = std::map<std::string, std::set<std::string, std::less<>>, std::less<>>;

std::vector<std::string> RolesInOrder(const RoleTable& roles, const std::string& key) {
  std::vector<std::string> ordered;
  const auto it = roles.find(key);
  if (it == roles.end()) return ordered;
  for (const auto role : kStaffRoles) {
    if (it->second.contains(role)) ordered.emplace_back(role);
  }
  return ordered;
}

std::set<std::string, std::less<>> FriendKeys(SqliteConnection& db) {
  std::set<std::string, std::less<>> keys;
  for (const FriendRow& ally : AllFriends(db)) keys.insert(NameKey(ally.name));
  return keys;
}

void Cap(std::vector<PageMember>& members, std::size_t& total) {
  total = members.size();
  if (members.size() > kMaxPageRows) members.resize(kMaxPageRows);
}

bool ByName(const PageMember& a, const PageMember& b) {
  const std::string key_a = NameKey(a.name), key_b = NameKey(b.name);
  return key_a != key_b ? key_a < key_b : a.name < b.name;
}

// Members with a record who posted lately, seen now.
struct OnlineMember {
  PageMember member;
  std::int32_t id = 0;
  Presence::Entry entry;
  bool shares = true;
};

// The records come from the member directory rather than a query each: the whole
// allegiance may be online.
std::vector<OnlineMember> OnlineMembers(SqliteConnection& db, const MemberSources& sources,
                                        const std::string& taken_at,
                                        const std::set<std::string, std::less<>>& friends) {
  const RoleTable roles = AllRoles(db);
  std::vector<OnlineMember> online;
  const std::vector<std::int32_t> ids = sources.presence.OnlineCharacters();
  sources.presence.Look([&](const Presence::View& view) {
    sources.directory.Visit(ids, [&](const ListedMember& row) {
      const auto entry = view.Find(row.id);
      if (!entry || friends.contains(NameKey(row.name))) return true;
      PageMember member{row.name, row.level, row.shares ? row.template_name : std::string(),
                        RolesInOrder(roles, NameKey(row.name)), taken_at};
      online.push_back({std::move(member), row.id, *entry, row.shares});
      return true;
    });
  });
  std::sort(online.begin(), online.end(), [](const OnlineMember& a, const OnlineMember& b) {
    return ByName(a.member, b.member);
  });
  return online;
}

// Members whose latest record came since `since` and who are not online now, latest first;
// not those who share nothing, whose last record's time is theirs to keep.
std::vector<PageMember> SeenSince(SqliteConnection& db, const std::string& since,
                                  const std::set<std::string, std::less<>>& skip) {
  SqliteStatement& statement =
      db.Prepare(
            "SELECT name, level, template, updated_at FROM characters WHERE updated_at >= ?1 "
            "AND shares_info <> 0 "
            "ORDER BY updated_at DESC, name_key")
          .Bind(1, since);
  std::vector<PageMember> seen;
  while (statement.Step()) {
    std::string name = statement.Text(0);
    if (skip.contains(NameKey(name))) continue;
    seen.push_back({std::move(name),
                    static_cast<int>(statement.Int(1)),
                    statement.Text(2),
                    {},
                    statement.Text(3)});
  }
  return seen;
}

std::vector<PageFellowship> Fellowships(SqliteConnection& db) {
  std::vector<PageFellowship> fellowships;
  for (const FellowshipRow& row : AllFellowships(db)) {
    fellowships.push_back(
        {row.name, row.leader_name, row.leader_level, static_cast<int>(row.fellows.size())});
  }
  return fellowships;
}

}  // namespace

void ReadMembers(SqliteConnection& db, const MemberSources& sources, const platform::DateTime& now,
                 PageSnapshot& snapshot) {
  snapshot.taken_at = wire::FormatIsoDateTime(now);
  snapshot.motd = MessageOfTheDay(db);
  auto skip = FriendKeys(db);
  const std::vector<OnlineMember> online = OnlineMembers(db, sources, snapshot.taken_at, skip);
  const std::set<std::int32_t> in_fellowships = CharactersInFellowships(db);
  for (const OnlineMember& each : online) {
    snapshot.online.push_back(each.member);
    skip.insert(NameKey(each.member.name));
    // As the plug-in's "Solo Players": enlisted, and neither in nor leading a fellowship.
    if (each.shares && each.entry.wants_fellowship && each.entry.fellowship_leader == 0 &&
        !in_fellowships.contains(each.id)) {
      snapshot.seeking_fellowship.push_back(each.member);
    }
  }
  // Those online now are in the list above; listing them twice would double the page.
  const std::string since = wire::FormatIsoDateTime(wire::AddDays(now, -kRecentDays));
  snapshot.recent = SeenSince(db, since, skip);
  Cap(snapshot.online, snapshot.online_total);
  Cap(snapshot.recent, snapshot.recent_total);
  if (snapshot.seeking_fellowship.size() > kMaxPageRows)
    snapshot.seeking_fellowship.resize(kMaxPageRows);
  snapshot.fellowships = Fellowships(db);
}

void ReadEvents(SqliteConnection& db, const platform::DateTime& now, PageSnapshot& snapshot) {
  snapshot.taken_at = wire::FormatIsoDateTime(now);
  SqliteStatement& statement =
      db.Prepare(
            "SELECT e.id, e.starts_at, e.has_time, e.title, e.description, c.name FROM events e "
            "LEFT JOIN characters c ON c.id = e.added_by WHERE e.starts_at >= ?1 "
            "ORDER BY e.starts_at, e.id LIMIT ?2")
          .Bind(1, wire::FormatIsoDate(now))
          .Bind(2, static_cast<std::int64_t>(kMaxPageEvents));
  while (statement.Step()) {
    const bool has_time = statement.Int(2) != 0;
    const std::string starts = statement.Text(1);
    snapshot.events.push_back({statement.Int(0), starts.substr(0, has_time ? 16 : 10), has_time,
                               statement.Text(3), statement.Text(4),
                               statement.IsNull(5) ? std::string() : statement.Text(5)});
  }
}

}  // namespace ostravel::service
