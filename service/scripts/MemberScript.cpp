#include "service/scripts/MemberScript.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <vector>

#include "base/AsciiText.h"
#include "service/scripts/MemberList.h"
#include "service/scripts/Officers.h"
#include "service/store/CharacterTable.h"
#include "service/store/FellowshipTable.h"
#include "service/store/KeyTable.h"
#include "service/store/StaffTable.h"
#include "wire/AnswerRecord.h"
#include "wire/StaffRoles.h"

namespace ostravel::service {
namespace {

// A member as "whois" shows it: the record, who is online, the staff roles.
struct Member {
  CharacterRow row;
  std::optional<Presence::Entry> online;
  std::set<std::string, std::less<>> roles;
  std::set<std::string, std::less<>> skills;
};

std::set<std::string, std::less<>> WordSet(std::string_view words) {
  std::set<std::string, std::less<>> set;
  for (const auto word : SplitWords(words)) set.emplace(word);
  return set;
}

// The class a member shows: none for one who shares nothing.
std::string SharedTemplate(const CharacterRow& row) {
  return row.shares_info ? row.template_name : std::string();
}

Member ReadMember(ScriptContext& context, CharacterRow row) {
  Member member;
  member.online = context.presence.Find(row.id);
  member.roles = RolesOf(context.db, row.name);
  member.skills = WordSet(row.skills);
  member.row = std::move(row);
  return member;
}

std::string List(ScriptContext& context, std::string_view rest) {
  return ListMembers(context, rest);
}

std::string Friends(ScriptContext& context, std::string_view) {
  std::vector<std::string> lines;
  for (const FriendRow& ally : AllFriends(context.db)) {
    wire::AnswerRecord record;
    record.Add("Name", ally.name);
    if (const auto row = FindCharacterNamed(context.db, ally.name)) {
      record.AddNumber("Level", row->level).Add("Template", SharedTemplate(*row));
      record.AddFlag("Online", context.presence.Online(row->id));
    } else {
      record.AddFlag("Online", false);
    }
    lines.push_back(record.Add("Allegiance", ally.allegiance).Text());
  }
  return lines.empty() ? "The allegiance has no friends listed." : wire::JoinLines(lines);
}

std::string Join(const std::set<std::string, std::less<>>& words) {
  std::string out;
  for (const auto& word : words) out += (out.empty() ? "" : ", ") + word;
  return out;
}

// The name the character's own record gives, else the one the tree knows for the id.
std::string NodeName(SqliteConnection& db, std::int32_t id, const std::string& named) {
  if (!named.empty() || id == 0) return named;
  const auto node = FindAllegianceNode(db, id);
  return node ? node->name : std::string();
}

void AddPrivatePart(ScriptContext& context, const Member& m, wire::AnswerRecord& record) {
  record.Add("Server", m.row.server).Add("Race", m.row.race).Add("Gender", m.row.gender);
  record.Add("Monarch", NodeName(context.db, m.row.monarch_id, m.row.monarch_name));
  if (m.row.patron_id != m.row.id) {
    record.Add("Patron", NodeName(context.db, m.row.patron_id, m.row.patron_name));
  }
  if (m.row.rank > 0) record.AddNumber("Rank", m.row.rank);
  if (m.row.vassals > 0) record.AddNumber("Vassals", m.row.vassals);
  record.Add("Staff", Join(m.roles)).Add("Skills", Join(m.skills));
  if (m.row.pk) record.AddFlag("PK", true);
  record.Add("Leads", FellowshipLedBy(context.db, m.row.id));
}

std::string Whois(ScriptContext& context, std::string_view rest) {
  const std::string name = wire::CleanValue(rest);
  if (name.empty()) return "Usage: whois NAME - shows the record of a member.";
  auto row = FindCharacterNamed(context.db, name);
  const bool ally = IsFriend(context.db, name);
  if (!row) {
    if (!ally) return "No member named " + name + ".";
    for (const FriendRow& f : AllFriends(context.db)) {
      if (NameKey(f.name) == NameKey(name)) {
        return wire::AnswerRecord().Add("Name", f.name).Add("Allegiance", f.allegiance).Text();
      }
    }
    return "No member named " + name + ".";
  }
  const Member m = ReadMember(context, std::move(*row));
  wire::AnswerRecord record;
  record.Add("Name", m.row.name).AddNumber("Level", m.row.level);
  if (!m.row.shares_info) {
    // What a member who shares nothing still shows: name, level, online and staff roles.
    record.AddFlag("Online", m.online.has_value()).Add("Staff", Join(m.roles));
    return record.Add("Info", "keeps the rest of the record private").Text();
  }
  record.Add("Template", m.row.template_name).AddFlag("Online", m.online.has_value());
  if (ally) {
    for (const FriendRow& f : AllFriends(context.db)) {
      if (NameKey(f.name) == NameKey(name)) record.Add("Allegiance", f.allegiance);
    }
  }
  AddPrivatePart(context, m, record);
  return record.Text();
}

std::string Vassals(ScriptContext& context, std::string_view rest) {
  const std::string name = wire::CleanValue(rest);
  if (name.empty()) return "Usage: vassals NAME - the vassals of a member, as records tell.";
  const auto row = FindCharacterNamed(context.db, name);
  if (!row) return "No member named " + name + ".";
  if (!row->shares_info) return row->name + " keeps the allegiance tree private.";
  std::vector<std::string> lines;
  for (const AllegianceNode& vassal : VassalsOf(context.db, row->id)) {
    wire::AnswerRecord record;
    record.Add("Name", vassal.name);
    if (const auto own = FindCharacter(context.db, vassal.id)) {
      record.AddNumber("Level", own->level).Add("Template", SharedTemplate(*own));
    }
    lines.push_back(record.AddFlag("Online", context.presence.Online(vassal.id)).Text());
  }
  return lines.empty() ? "No vassals of " + row->name + " are known." : wire::JoinLines(lines);
}

std::string Fellowships(ScriptContext& context, std::string_view) {
  std::vector<std::string> lines;
  const std::vector<FellowshipRow> fellowships =
      AllFellowships(context.db, static_cast<std::int64_t>(kListCap) + 1);
  for (std::size_t i = 0; i < std::min(fellowships.size(), kListCap); ++i) {
    const FellowshipRow& fellowship = fellowships[i];
    const auto leader = FindCharacter(context.db, fellowship.leader_id);
    wire::AnswerRecord record;
    record.AddNumber("Fellows", static_cast<std::int64_t>(fellowship.fellows.size()));
    record.Add("Fellowship", fellowship.name).Add("Name", fellowship.leader_name);
    record.AddNumber("Level", fellowship.leader_level);
    if (leader) {
      record.Add("Template", SharedTemplate(*leader));
      record.AddFlag("Online", context.presence.Online(leader->id));
    }
    lines.push_back(record.Text());
  }
  if (lines.empty()) return "No fellowship is recorded at the moment.";
  if (fellowships.size() > kListCap) lines.push_back(MoreLine("fellowships", "by name"));
  return wire::JoinLines(lines);
}

const std::string kHelp = wire::JoinLines({
    "@member commands (Ostravel service):",
    "whois NAME - the record of a member (names up to " + std::to_string(kMaxNameLength) +
        " characters)",
    "list FILTERS - members matching every filter, for example list online level>29 level<71",
    "filters: online, nearby, pk, wantgroup, soloplayer, level>N, level<N,",
    "staff: " + wire::JoinStaffRoles(", ", ", ") + ",",
    "skills: lockpick, armortinkering, weapontinkering, magicitemtinkering, itemtinkering, "
    "alchemy, cooking, fletching",
    "a list shows at most " + std::to_string(kListCap) +
        " members, highest level first; a last line says when more match",
    "friends - friends of the allegiance",
    "fellowships - fellowships and their leaders (at most " + std::to_string(kListCap) +
        ", by name)",
    "vassals NAME - the vassals of a member",
    "update - send your character record (@member update)",
    "resetkey NAME - forget a character's key, so that its next login gets a new one (officers)",
    "a member with Share off shows only name, level, online and staff roles, and no filter but "
    "online, level and staff finds it",
});

// "resetkey NAME": an officer forgets a character's key, as the admin's reset-key does.
std::string ResetKey(ScriptContext& context, std::string_view rest) {
  const auto officer = OfficerActor(context);
  if (!officer) return OfficersOnly("reset a key");
  const std::string name = wire::CleanValue(rest);
  if (name.empty()) return "Usage: resetkey NAME - forgets the key of a member's character.";
  const std::vector<std::int32_t> ids = CharacterIdsNamed(context.db, name);
  if (ids.size() != 1) {
    return ids.empty() ? "No member named " + name + "."
                       : "More than one character is named " + name + "; ask the admin.";
  }
  ForgetKeys(context.db, ids.front());
  AuditOfficer(context, *officer, "resetkey " + name);
  return "The key of " + name + " is reset: the character's next login gets a new one.";
}

}  // namespace

const CommandSet& MemberCommands() {
  static const CommandSet commands{"@member",
                                   kHelp,
                                   {{"list", {false, List}},
                                    {"whois", {false, Whois}},
                                    {"friends", {false, Friends}},
                                    {"fellowships", {false, Fellowships}},
                                    {"vassals", {false, Vassals}},
                                    {"resetkey", {true, ResetKey}}},
                                   {},
                                   {}};
  return commands;
}

}  // namespace ostravel::service
