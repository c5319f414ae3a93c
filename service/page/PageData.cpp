#include "service/page/PageData.h"

#include <algorithm>
#include <map>
#include <set>

#include "wire/ServiceDates.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

std::vector<std::string> RolesInOrder(const RolesByName& roles, const std::string& key) {
  std::vector<std::string> ordered;
  const auto it = roles.find(key);
  if (it == roles.end()) return ordered;
  for (const auto role : wire::kStaffRoles) {
    if (it->second.contains(role)) ordered.emplace_back(role);
  }
  return ordered;
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
std::vector<OnlineMember> OnlineMembers(StoreQueries& store, const MemberSources& sources,
                                        const std::string& taken_at, const NameKeys& friends) {
  const RolesByName roles = store.Roles();
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
std::vector<PageMember> SeenSince(StoreQueries& store, const std::string& since,
                                  const NameKeys& skip) {
  std::vector<PageMember> seen;
  for (SeenCharacter& row : store.SeenSince(since)) {
    if (skip.contains(NameKey(row.name))) continue;
    seen.push_back({std::move(row.name),
                    row.level,
                    std::move(row.template_name),
                    {},
                    std::move(row.updated_at)});
  }
  return seen;
}

std::vector<PageFellowship> Fellowships(StoreQueries& store) {
  std::vector<PageFellowship> fellowships;
  for (const FellowshipRow& row : store.Fellowships()) {
    fellowships.push_back(
        {row.name, row.leader_name, row.leader_level, static_cast<int>(row.fellows.size())});
  }
  return fellowships;
}

}  // namespace

void ReadMembers(StoreQueries& store, const MemberSources& sources, const platform::DateTime& now,
                 PageSnapshot& snapshot) {
  snapshot.taken_at = wire::FormatIsoDateTime(now);
  snapshot.motd = store.MessageOfTheDay();
  NameKeys skip = store.FriendKeys();
  const std::vector<OnlineMember> online = OnlineMembers(store, sources, snapshot.taken_at, skip);
  const std::set<std::int32_t> in_fellowships = store.CharactersInFellowships();
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
  snapshot.recent = SeenSince(store, since, skip);
  Cap(snapshot.online, snapshot.online_total);
  Cap(snapshot.recent, snapshot.recent_total);
  if (snapshot.seeking_fellowship.size() > kMaxPageRows)
    snapshot.seeking_fellowship.resize(kMaxPageRows);
  snapshot.fellowships = Fellowships(store);
}

void ReadEvents(StoreQueries& store, const platform::DateTime& from, const platform::DateTime& now,
                PageSnapshot& snapshot) {
  snapshot.taken_at = wire::FormatIsoDateTime(now);
  for (EventRow& row : store.EventsFrom(wire::FormatIsoDate(from), kMaxPageEvents)) {
    snapshot.events.push_back({row.id, std::move(row.starts_at), row.has_time, std::move(row.title),
                               std::move(row.description), std::move(row.added_by_name)});
  }
}

}  // namespace ostravel::service
