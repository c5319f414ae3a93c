#include "DemoMemberScript.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "DemoCommands.h"
#include "DemoRecord.h"

namespace ostravel::app {
namespace {

using MemberFilter = std::function<bool(const DemoWorld&, const DemoRequest&, const DemoMember&)>;
using FilterTable = std::map<std::string, MemberFilter, std::less<>>;

constexpr std::array<std::string_view, 6> kRoles = {"magistrate",  "pkgeneral", "chainmanager",
                                                    "questmaster", "brt",       "reporter"};
constexpr std::array<std::string_view, 8> kSkills = {
    "lockpick",      "armortinkering", "weapontinkering", "magicitemtinkering",
    "itemtinkering", "alchemy",        "cooking",         "fletching"};

FilterTable MakeFilters() {
  FilterTable filters = {
      {"online", [](const auto&, const auto&, const auto& m) { return m.online; }},
      {"nearby",
       [](const auto&, const auto& request, const auto& m) {
         return m.online && request.location != 0 && m.location == request.location;
       }},
      {"pk", [](const auto&, const auto&, const auto& m) { return m.pk; }},
      {"wantgroup", [](const auto&, const auto&, const auto& m) { return m.wants_fellowship; }},
      {"soloplayer",
       [](const auto& world, const auto&, const auto& m) {
         return m.fellowship_leader == 0 && !world.InFellowship(m.id);
       }},
  };
  for (const auto role : kRoles) {
    filters.emplace(
        role, [role](const auto&, const auto&, const auto& m) { return m.roles.contains(role); });
  }
  for (const auto skill : kSkills) {
    filters.emplace(skill, [skill](const auto&, const auto&, const auto& m) {
      return m.skills.contains(skill);
    });
  }
  return filters;
}

const FilterTable& NamedFilters() {
  static const FilterTable filters = MakeFilters();
  return filters;
}

// "level>N" and "level<N": exclusive bounds, as the Members page's ranges are written.
std::optional<MemberFilter> LevelFilter(std::string_view word) {
  if (word.size() < 7 || word.substr(0, 5) != "level") return std::nullopt;
  const char relation = word[5];
  int bound = 0;
  const auto number = word.substr(6);
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), bound);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  if (relation == '>') {
    return [bound](const auto&, const auto&, const auto& m) { return m.level > bound; };
  }
  if (relation == '<') {
    return [bound](const auto&, const auto&, const auto& m) { return m.level < bound; };
  }
  return std::nullopt;
}

std::string MemberLine(const DemoMember& member) {
  return DemoRecord()
      .Add("Name", member.name)
      .AddNumber("Level", member.level)
      .Add("Template", member.template_name)
      .AddFlag("Online", member.online)
      .Text();
}

// Highest level first, then by name: the order a player scans a roster in.
std::vector<const DemoMember*> Sorted(std::vector<const DemoMember*> members) {
  std::sort(members.begin(), members.end(), [](const DemoMember* a, const DemoMember* b) {
    return a->level != b->level ? a->level > b->level : a->name < b->name;
  });
  return members;
}

std::string MemberLines(const std::vector<const DemoMember*>& members, std::string_view none) {
  std::vector<std::string> lines;
  for (const DemoMember* member : Sorted(members)) lines.push_back(MemberLine(*member));
  return lines.empty() ? std::string(none) : JoinLines(lines);
}

std::string UnknownFilter(std::string_view word) {
  std::string known = "online, nearby, pk, wantgroup, soloplayer, level>N, level<N";
  for (const auto role : kRoles) known += ", " + std::string(role);
  for (const auto skill : kSkills) known += ", " + std::string(skill);
  return CleanValue("Unknown list filter \"" + std::string(word) + "\". Known filters: " + known +
                    ".");
}

std::string List(DemoWorld& world, const DemoRequest& request, std::string_view rest) {
  std::vector<MemberFilter> filters;
  for (const auto word : SplitWords(rest)) {
    const std::string lower = LowerCase(word);
    const auto named = NamedFilters().find(lower);
    auto level = LevelFilter(lower);
    if (named == NamedFilters().end() && !level) return UnknownFilter(word);
    filters.push_back(named != NamedFilters().end() ? named->second : *level);
  }
  std::vector<const DemoMember*> found;
  for (const DemoMember& member : world.members) {
    if (member.ally) continue;
    if (std::all_of(filters.begin(), filters.end(),
                    [&](const auto& filter) { return filter(world, request, member); })) {
      found.push_back(&member);
    }
  }
  return MemberLines(found, "No members match this list.");
}

std::string Friends(DemoWorld& world, const DemoRequest&, std::string_view) {
  std::vector<std::string> lines;
  for (const DemoMember& ally : world.members) {
    if (!ally.ally) continue;
    lines.push_back(DemoRecord()
                        .Add("Name", ally.name)
                        .AddNumber("Level", ally.level)
                        .Add("Template", ally.template_name)
                        .AddFlag("Online", ally.online)
                        .Add("Allegiance", ally.allegiance)
                        .Text());
  }
  return lines.empty() ? "The allegiance has no friends listed." : JoinLines(lines);
}

std::string Join(const std::set<std::string, std::less<>>& words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : ", ") + word;
  return out;
}

std::string WhoisRecord(const DemoWorld& world, const DemoMember& m) {
  DemoRecord record;
  record.Add("Name", m.name).AddNumber("Level", m.level).Add("Template", m.template_name);
  record.AddFlag("Online", m.online);
  if (!m.shares_info) return record.Add("Info", "keeps the rest of the record private").Text();
  record.Add("Allegiance", m.allegiance).Add("Server", m.server).Add("Race", m.race);
  record.Add("Gender", m.gender).Add("Monarch", m.monarch).Add("Patron", m.patron);
  if (m.rank > 0) record.AddNumber("Rank", m.rank);
  if (m.vassals > 0) record.AddNumber("Vassals", m.vassals);
  record.Add("Staff", Join(m.roles)).Add("Skills", Join(m.skills));
  if (m.pk) record.AddFlag("PK", true);
  for (const auto& [poster, fellowship] : world.fellowships) {
    if (poster == m.id || fellowship.leader_id == m.id) record.Add("Leads", fellowship.name);
  }
  return record.Text();
}

std::string Whois(DemoWorld& world, const DemoRequest&, std::string_view rest) {
  const std::string name = CleanValue(rest);
  if (name.empty()) return "Usage: whois NAME - shows the record of a member.";
  const DemoMember* member = world.FindMember(std::string_view(name));
  if (!member) return "No member named " + name + ".";
  return WhoisRecord(world, *member);
}

std::string FellowshipLine(const DemoWorld& world, const DemoFellowship& fellowship) {
  const DemoMember* leader = world.FindMember(fellowship.leader_id);
  DemoRecord record;
  record.AddNumber("Fellows", static_cast<std::int64_t>(fellowship.fellows.size()));
  record.Add("Fellowship", fellowship.name).Add("Name", fellowship.leader_name);
  record.AddNumber("Level", fellowship.leader_level);
  if (leader) record.Add("Template", leader->template_name).AddFlag("Online", leader->online);
  return record.Text();
}

std::string Fellowships(DemoWorld& world, const DemoRequest&, std::string_view) {
  std::vector<std::string> lines;
  for (const auto& entry : world.fellowships) lines.push_back(FellowshipLine(world, entry.second));
  return lines.empty() ? "No fellowship is recorded at the moment." : JoinLines(lines);
}

const std::string kHelp = JoinLines({
    "@member commands (Ostravel demo service):",
    "whois NAME - the record of a member",
    "list FILTERS - members matching every filter, for example list online level>29 level<71",
    "filters: online, nearby, pk, wantgroup, soloplayer, level>N, level<N,",
    "staff: magistrate, pkgeneral, chainmanager, questmaster, brt, reporter,",
    "skills: lockpick, armortinkering, weapontinkering, magicitemtinkering, itemtinkering, "
    "alchemy, cooking, fletching",
    "friends - friends of the allegiance",
    "fellowships - fellowships and their leaders",
    "update - send your character record (@member update)",
});

}  // namespace

std::string RunMemberScript(DemoWorld& world, const DemoRequest& request) {
  static const DemoCommandSet commands{
      "@member",
      kHelp,
      {{"list", List}, {"whois", Whois}, {"friends", Friends}, {"fellowships", Fellowships}},
      {}};
  return RunDemoCommand(commands, world, request);
}

}  // namespace ostravel::app
