#include "DemoCharacterScript.h"

#include <algorithm>
#include <array>
#include <vector>

#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"

namespace ostravel::app {
namespace {

// The trade skills the member lists ask for, with the record's key for each (the skill's name
// without spaces; "State" + key holds its training state).
struct TradeSkill {
  std::string_view token;
  std::string_view key;
};
constexpr std::array<TradeSkill, 8> kTradeSkills = {{
    {"lockpick", "Lockpick"},
    {"armortinkering", "ArmorTinkering"},
    {"weapontinkering", "WeaponTinkering"},
    {"magicitemtinkering", "MagicItemTinkering"},
    {"itemtinkering", "ItemTinkering"},
    {"alchemy", "Alchemy"},
    {"cooking", "Cooking"},
    {"fletching", "Fletching"},
}};

// Training states of the host: 1 untrained, 2 trained, 3 specialised.
constexpr std::int64_t kTrained = 2;
constexpr std::size_t kMaxFellows = 26;

// The record of the calling character: by id, else a non-friend member of that name (a
// seeded sample character taking the stage), else a new one.
DemoMember& CallerRecord(DemoWorld& world, const DemoRequest& request, const std::string& name) {
  if (DemoMember* member = world.FindMember(request.character)) return *member;
  DemoMember* same_name = world.FindMember(std::string_view(name));
  DemoMember& member = same_name && !same_name->ally ? *same_name : world.members.emplace_back();
  member.id = request.character;
  return member;
}

void ReadSkills(DemoMember& member, const DemoRequest& request) {
  member.skills.clear();
  for (const TradeSkill& skill : kTradeSkills) {
    if (request.Number(std::string(wire::field::kStatePrefix) + std::string(skill.key)) >=
        kTrained) {
      member.skills.emplace(skill.token);
    }
  }
}

void ReadCharacter(DemoMember& member, const DemoRequest& request, const std::string& name) {
  member.name = name;
  member.server = request.Field(wire::field::kServer);
  member.template_name = request.Field(wire::field::kClass);
  member.race = request.Field(wire::field::kRace);
  member.gender = request.Field(wire::field::kGender);
  member.level = static_cast<int>(request.Number(wire::field::kLevel, member.level));
  member.rank = static_cast<int>(request.Number(wire::field::kRank));
  member.vassals = static_cast<int>(request.Number(wire::field::kVassals));
  member.shares_info = request.Field(wire::field::kShare) != "0";
  member.monarch = request.Field("MonarchName");
  member.patron = request.Field("PatronName");
  member.online = true;
  member.location = request.location;
  member.wants_fellowship = request.wants_fellowship;
  member.fellowship_leader = request.fellowship_leader;
  member.last_update = request.now;
  ReadSkills(member, request);
}

std::string Joined(const std::set<std::string, std::less<>>& words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : ", ") + word;
  return out;
}

std::vector<std::string> UpdateAnswer(const DemoMember& member) {
  std::vector<std::string> lines;
  lines.push_back(
      wire::AnswerRecord()
          .Add(wire::answer::kInfo, "Character " + member.name + " updated")
          .Add(wire::answer::kHelp, member.shares_info
                                        ? "Your record is shared with the allegiance."
                                        : "Share info is off: members see only your name, level "
                                          "and template.")
          .Text());
  lines.push_back(wire::AnswerRecord()
                      .Add(wire::answer::kInfo, "Level " + std::to_string(member.level))
                      .Text());
  lines.push_back(
      wire::AnswerRecord().Add(wire::answer::kInfo, "Template " + member.template_name).Text());
  if (!member.monarch.empty()) {
    lines.push_back(
        wire::AnswerRecord().Add(wire::answer::kInfo, "Monarch " + member.monarch).Text());
  }
  lines.push_back(wire::AnswerRecord()
                      .Add(wire::answer::kInfo, "Vassals " + std::to_string(member.vassals))
                      .Text());
  if (!member.skills.empty()) {
    lines.push_back(
        wire::AnswerRecord()
            .Add(wire::answer::kInfo, "Trade skills " + Joined(member.skills))
            .Add(wire::answer::kHelp, "Members find you in the skill lists of the Mbr page.")
            .Text());
  }
  return lines;
}

// Ends a fellowship record; its members count as solo again.
void EraseFellowship(DemoWorld& world, std::map<std::int32_t, DemoFellowship>::iterator it) {
  for (DemoMember& member : world.members) {
    if (member.fellowship_leader == it->second.leader_id) member.fellowship_leader = 0;
  }
  world.fellowships.erase(it);
}

DemoFellowship ReadFellowship(const DemoRequest& request, std::size_t count) {
  DemoFellowship fellowship;
  fellowship.name = request.Field(wire::field::kFellowshipName);
  fellowship.leader_id = static_cast<std::int32_t>(request.Number(wire::field::kLeaderCID));
  fellowship.leader_name = request.Field(wire::field::kLeaderName);
  fellowship.leader_level = static_cast<int>(request.Number(wire::field::kLeaderLevel));
  fellowship.shared_xp = request.Field(wire::field::kSharedXp) == "True";
  for (std::size_t n = 1; n <= count && n <= kMaxFellows; ++n) {
    const std::string prefix = std::string(wire::field::kFellowPrefix) + std::to_string(n);
    const auto key = [&prefix](std::string_view name) { return prefix + std::string(name); };
    fellowship.fellows.push_back({static_cast<std::int32_t>(request.Number(key(wire::field::kCID))),
                                  request.Field(key(wire::field::kName)),
                                  static_cast<int>(request.Number(key(wire::field::kLevel)))});
  }
  return fellowship;
}

// A character is in one fellowship at a time: older records that list any of these fellows
// (a former leader's, say) are ended.
void EraseOverlapping(DemoWorld& world, const DemoFellowship& fellowship) {
  const auto listed = [&](std::int32_t id) {
    return std::any_of(fellowship.fellows.begin(), fellowship.fellows.end(),
                       [&](const DemoFellow& f) { return f.id == id; });
  };
  for (auto it = world.fellowships.begin(); it != world.fellowships.end();) {
    const auto next = std::next(it);
    const DemoFellowship& old = it->second;
    if (listed(old.leader_id) || std::any_of(old.fellows.begin(), old.fellows.end(),
                                             [&](const DemoFellow& f) { return listed(f.id); })) {
      EraseFellowship(world, it);
    }
    it = next;
  }
}

}  // namespace

std::string RunUpdateScript(DemoWorld& world, const DemoRequest& request) {
  const std::string name = wire::CleanValue(request.Field(wire::field::kName));
  if (name.empty()) {
    return wire::AnswerRecord()
        .Add(wire::answer::kInfo, "Update refused")
        .Add(wire::answer::kHelp, "The character record carried no character name.")
        .Text();
  }
  DemoMember& member = CallerRecord(world, request, name);
  ReadCharacter(member, request, name);
  return wire::JoinLines(UpdateAnswer(member));
}

std::string RunFellowshipScript(DemoWorld& world, const DemoRequest& request) {
  const auto own = world.fellowships.find(request.character);
  if (own != world.fellowships.end()) EraseFellowship(world, own);
  const std::int64_t count = request.Number(wire::field::kFellows);
  const std::string name = request.Field(wire::field::kFellowshipName);
  if (count <= 0 || name.empty() || name == "0") {
    return "No fellowship: your fellowship record is removed.";
  }
  DemoFellowship fellowship = ReadFellowship(request, static_cast<std::size_t>(count));
  EraseOverlapping(world, fellowship);
  for (const DemoFellow& fellow : fellowship.fellows) {
    if (DemoMember* member = world.FindMember(fellow.id)) {
      member->fellowship_leader = fellowship.leader_id;
    }
  }
  const std::string answer = "Fellowship " + wire::CleanValue(fellowship.name) +
                             " recorded: " + std::to_string(fellowship.fellows.size()) +
                             " fellows, led by " + wire::CleanValue(fellowship.leader_name) + ".";
  world.fellowships[request.character] = std::move(fellowship);
  return answer;
}

}  // namespace ostravel::app
