#include "service/scripts/MemberList.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <map>
#include <set>
#include <vector>

#include "base/AsciiText.h"
#include "base/Words.h"
#include "service/members/MemberDirectory.h"
#include "service/store/CharacterTable.h"
#include "service/store/FellowshipTable.h"
#include "service/store/StaffTable.h"
#include "wire/AnswerRecord.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

using RoleSet = std::set<std::string, std::less<>>;

// A member as the filters see it: the record, who is online, the staff roles.
struct Candidate {
  const ListedMember& member;
  std::optional<Presence::Entry> online;
  const RoleSet* roles = nullptr;  // none when null
  bool in_fellowship = false;
};

using MemberFilter = std::function<bool(const ServiceRequest&, const Candidate&)>;
using FilterTable = std::map<std::string, MemberFilter, std::less<>>;

// A filter on what a member who shares nothing keeps private: such a member never matches.
MemberFilter Private(MemberFilter filter) {
  return [filter = std::move(filter)](const ServiceRequest& request, const Candidate& c) {
    return c.member.shares && filter(request, c);
  };
}

FilterTable MakeFilters() {
  FilterTable filters = {
      {"online", [](const auto&, const Candidate& c) { return c.online.has_value(); }},
      {"nearby",
       [](const ServiceRequest& request, const Candidate& c) {
         return c.online && request.location != 0 && c.online->location == request.location;
       }},
      {"pk", [](const auto&, const Candidate& c) { return c.member.pk; }},
      {"wantgroup",
       [](const auto&, const Candidate& c) {
         return c.online ? c.online->wants_fellowship : c.member.wants_fellowship;
       }},
      {"soloplayer",
       [](const auto&, const Candidate& c) {
         return (!c.online || c.online->fellowship_leader == 0) && !c.in_fellowship;
       }},
  };
  for (auto& [word, filter] : filters) {
    if (word != "online") filter = Private(std::move(filter));
  }
  for (const auto role : wire::kStaffRoles) {
    filters.emplace(role, [role](const auto&, const Candidate& c) {
      return c.roles && c.roles->contains(role);
    });
  }
  for (std::size_t i = 0; i < kTradeSkills.size(); ++i) {
    filters.emplace(kTradeSkills[i],
                    Private([i](const auto&, const Candidate& c) { return c.member.HasSkill(i); }));
  }
  return filters;
}

const FilterTable& NamedFilters() {
  static const FilterTable filters = MakeFilters();
  return filters;
}

// What a list asks for, and what lets it skip the members it cannot show.
struct ListQuery {
  std::vector<MemberFilter> filters;
  bool online = false;
  bool fellows = false;  // needs the fellowships' members
  std::string role;      // a staff role asked for; empty: none
  int below = INT_MAX;   // every member shown has a level below this
  int above = INT_MIN;   // and above this
  std::string unknown;   // the answer to a word that is no filter
};

// "level>N" and "level<N": exclusive bounds, as the Members page's ranges are written.
bool AddLevelBound(std::string_view word, ListQuery& query) {
  if (word.size() < 7 || word.substr(0, 5) != "level") return false;
  const char relation = word[5];
  int bound = 0;
  const auto number = word.substr(6);
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), bound);
  if (error != std::errc() || end != number.data() + number.size()) return false;
  if (relation == '>') {
    query.above = std::max(query.above, bound);
  } else if (relation == '<') {
    query.below = std::min(query.below, bound);
  } else {
    return false;
  }
  return true;
}

std::string UnknownFilter(std::string_view word) {
  std::string known = "online, nearby, pk, wantgroup, soloplayer, level>N, level<N";
  for (const auto role : wire::kStaffRoles) known += ", " + std::string(role);
  for (const auto skill : kTradeSkills) known += ", " + std::string(skill);
  return wire::CleanValue("Unknown list filter \"" + std::string(word) +
                          "\". Known filters: " + known + ".");
}

ListQuery ReadQuery(std::string_view words) {
  ListQuery query;
  for (const auto word : SplitWords(words)) {
    const std::string lower = LowerCase(word);
    if (AddLevelBound(lower, query)) continue;
    const auto named = NamedFilters().find(lower);
    if (named == NamedFilters().end()) {
      query.unknown = UnknownFilter(word);
      return query;
    }
    query.filters.push_back(named->second);
    query.online = query.online || lower == "online";
    query.fellows = query.fellows || lower == "soloplayer";
    if (wire::IsStaffRole(lower)) query.role = lower;
  }
  return query;
}

std::string MemberLine(const Candidate& c) {
  return wire::AnswerRecord()
      .Add("Name", c.member.name)
      .AddNumber("Level", c.member.level)
      .Add("Template", c.member.shares ? c.member.template_name : std::string())
      .AddFlag("Online", c.online.has_value())
      .Text();
}

// The characters that may be in the list when it is short: those of a staff role (a handful)
// or those online when few are. Empty when the whole directory is to be walked.
std::optional<std::vector<std::int32_t>> FewCandidates(
    ScriptContext& context, const ListQuery& query,
    const std::map<std::string, RoleSet, std::less<>>& roles) {
  if (!query.role.empty()) {
    std::vector<std::int32_t> ids;
    for (const auto& [key, held] : roles) {
      if (!held.contains(query.role)) continue;
      for (const std::int32_t id : CharacterIdsNamed(context.db, key)) ids.push_back(id);
    }
    return ids;
  }
  if (query.online && context.presence.Remembered() * 4 < context.members.Size()) {
    return context.presence.OnlineCharacters();
  }
  return std::nullopt;
}

}  // namespace

std::string MoreLine(std::string_view what, std::string_view order) {
  const std::string cap = std::to_string(kListCap);
  return wire::AnswerRecord()
      .Add("More", "more than " + cap + " " + std::string(what) + " match; the first " + cap + " " +
                       std::string(order) + " are shown, choose a narrower list")
      .Text();
}

std::string ListMembers(ScriptContext& context, std::string_view words) {
  const ListQuery query = ReadQuery(words);
  if (!query.unknown.empty()) return query.unknown;
  context.members.RefreshUnlessBusy(context.db);
  const auto roles = AllRoles(context.db);
  RoleSet friends;
  for (const FriendRow& ally : AllFriends(context.db)) friends.insert(NameKey(ally.name));
  const std::set<std::int32_t> fellows =
      query.fellows ? CharactersInFellowships(context.db) : std::set<std::int32_t>();
  const auto few = FewCandidates(context, query, roles);
  std::vector<std::string> lines;
  bool more = false;
  context.presence.Look([&](const Presence::View& online) {
    const auto take = [&](const ListedMember& member) {
      // List order: no member after this one is above the lower bound either.
      if (member.level <= query.above) return false;
      if (member.level >= query.below) return true;
      const std::string key = NameKey(member.name);
      if (friends.contains(key)) return true;
      const auto held = roles.find(key);
      const Candidate candidate{member, online.Find(member.id),
                                held == roles.end() ? nullptr : &held->second,
                                fellows.contains(member.id)};
      for (const MemberFilter& filter : query.filters) {
        if (!filter(context.request, candidate)) return true;
      }
      if (lines.size() == kListCap) {
        more = true;
        return false;
      }
      lines.push_back(MemberLine(candidate));
      return true;
    };
    if (few) {
      context.members.Visit(*few, take);
    } else {
      context.members.Walk(query.below, take);
    }
  });
  if (lines.empty()) return "No members match this list.";
  if (more) lines.push_back(MoreLine("members", "by level"));
  return wire::JoinLines(lines);
}

}  // namespace ostravel::service
