#include "DemoMemberScript.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

#include "DemoCommands.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

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
  return wire::AnswerRecord()
      .Add(wire::answer::kName, member.name)
      .AddNumber(wire::answer::kLevel, member.level)
      .Add(wire::answer::kTemplate, member.template_name)
      .AddFlag(wire::answer::kOnline, member.online)
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
  return lines.empty() ? std::string(none) : wire::JoinLines(lines);
}

std::string UnknownFilter(std::string_view word) {
  std::string known = "online, nearby, pk, wantgroup, soloplayer, level>N, level<N";
  for (const auto role : kRoles) known += ", " + std::string(role);
  for (const auto skill : kSkills) known += ", " + std::string(skill);
  return wire::CleanValue("Unknown list filter \"" + std::string(word) +
                          "\". Known filters: " + known + ".");
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
    lines.push_back(wire::AnswerRecord()
                        .Add(wire::answer::kName, ally.name)
                        .AddNumber(wire::answer::kLevel, ally.level)
                        .Add(wire::answer::kTemplate, ally.template_name)
                        .AddFlag(wire::answer::kOnline, ally.online)
                        .Add(wire::answer::kAllegiance, ally.allegiance)
                        .Text());
  }
  return lines.empty() ? "The allegiance has no friends listed." : wire::JoinLines(lines);
}

std::string Join(const std::set<std::string, std::less<>>& words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : ", ") + word;
  return out;
}

std::string WhoisRecord(const DemoWorld& world, const DemoMember& m) {
  wire::AnswerRecord record;
  record.Add(wire::answer::kName, m.name)
      .AddNumber(wire::answer::kLevel, m.level)
      .Add(wire::answer::kTemplate, m.template_name);
  record.AddFlag(wire::answer::kOnline, m.online);
  if (!m.shares_info)
    return record.Add(wire::answer::kInfo, "keeps the rest of the record private").Text();
  record.Add(wire::answer::kAllegiance, m.allegiance)
      .Add(wire::answer::kServer, m.server)
      .Add(wire::answer::kRace, m.race);
  record.Add(wire::answer::kGender, m.gender)
      .Add(wire::answer::kMonarch, m.monarch)
      .Add(wire::answer::kPatron, m.patron);
  if (m.rank > 0) record.AddNumber(wire::answer::kRank, m.rank);
  if (m.vassals > 0) record.AddNumber(wire::answer::kVassals, m.vassals);
  record.Add(wire::answer::kStaff, Join(m.roles)).Add(wire::answer::kSkills, Join(m.skills));
  if (m.pk) record.AddFlag(wire::answer::kPK, true);
  for (const auto& [poster, fellowship] : world.fellowships) {
    if (poster == m.id || fellowship.leader_id == m.id)
      record.Add(wire::answer::kLeads, fellowship.name);
  }
  return record.Text();
}

std::string Whois(DemoWorld& world, const DemoRequest&, std::string_view rest) {
  const std::string name = wire::CleanValue(rest);
  if (name.empty()) return "Usage: whois NAME - shows the record of a member.";
  const DemoMember* member = world.FindMember(std::string_view(name));
  if (!member) return "No member named " + name + ".";
  return WhoisRecord(world, *member);
}

std::string FellowshipLine(const DemoWorld& world, const DemoFellowship& fellowship) {
  const DemoMember* leader = world.FindMember(fellowship.leader_id);
  wire::AnswerRecord record;
  record.AddNumber(wire::answer::kFellows, static_cast<std::int64_t>(fellowship.fellows.size()));
  record.Add(wire::answer::kFellowship, fellowship.name)
      .Add(wire::answer::kName, fellowship.leader_name);
  record.AddNumber(wire::answer::kLevel, fellowship.leader_level);
  if (leader)
    record.Add(wire::answer::kTemplate, leader->template_name)
        .AddFlag(wire::answer::kOnline, leader->online);
  return record.Text();
}

std::string Fellowships(DemoWorld& world, const DemoRequest&, std::string_view) {
  std::vector<std::string> lines;
  for (const auto& entry : world.fellowships) lines.push_back(FellowshipLine(world, entry.second));
  return lines.empty() ? "No fellowship is recorded at the moment." : wire::JoinLines(lines);
}

const std::string kHelp = wire::JoinLines({
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
