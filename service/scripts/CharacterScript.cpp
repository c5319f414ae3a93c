#include "service/scripts/CharacterScript.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <vector>

#include "service/store/CharacterTable.h"
#include "service/store/FellowshipTable.h"
#include "wire/AnswerRecord.h"
#include "wire/FieldNames.h"
#include "wire/ServiceDates.h"

namespace ostravel::service {
namespace {

namespace field = wire::field;
namespace answer = wire::answer;

// A field's key made of its parts ("Monarch" + "CID").
std::string Joined(std::string_view first, std::string_view second) {
  std::string key(first);
  key += second;
  return key;
}

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
constexpr int kMaxVassals = 19;
constexpr std::int64_t kMaxLevel = 10000;

std::string Skills(const ServiceRequest& request) {
  std::string skills;
  for (const TradeSkill& skill : kTradeSkills) {
    if (request.Number(Joined(field::kStatePrefix, skill.key)) >= kTrained) {
      skills += (skills.empty() ? "" : " ") + std::string(skill.token);
    }
  }
  return skills;
}

int SmallNumber(const ServiceRequest& request, std::string_view key) {
  const std::int64_t value = request.Number(key);
  return static_cast<int>(std::clamp<std::int64_t>(value, -1000000000, 1000000000));
}

CharacterRow ReadCharacter(const ServiceRequest& request, const std::string& name) {
  CharacterRow row;
  row.id = request.character;
  row.name = name;
  row.server = wire::CleanValue(request.Field(field::kServer));
  row.template_name = wire::CleanValue(request.Field(field::kClass));
  row.race = wire::CleanValue(request.Field(field::kRace));
  row.gender = wire::CleanValue(request.Field(field::kGender));
  row.level = static_cast<int>(request.Number(field::kLevel, 1));
  row.rank = SmallNumber(request, field::kRank);
  row.followers = SmallNumber(request, field::kFollowers);
  row.vassals = SmallNumber(request, field::kVassals);
  row.monarch_id =
      static_cast<std::int32_t>(request.Number(Joined(field::kMonarchPrefix, field::kCID)));
  row.patron_id =
      static_cast<std::int32_t>(request.Number(Joined(field::kPatronPrefix, field::kCID)));
  row.monarch_name = wire::CleanValue(request.Field(Joined(field::kMonarchPrefix, field::kName)));
  row.patron_name = wire::CleanValue(request.Field(Joined(field::kPatronPrefix, field::kName)));
  row.shares_info = request.Field(field::kShare) != "0";
  row.pk = request.Field(field::kPk) == "1";
  row.wants_fellowship = request.wants_fellowship;
  row.skills = Skills(request);
  row.updated_at = wire::FormatIsoDateTime(request.now);
  return row;
}

AllegianceNode ReadNode(const ServiceRequest& request, std::string_view prefix) {
  AllegianceNode node;
  node.id = static_cast<std::int32_t>(request.Number(Joined(prefix, field::kCID)));
  node.name = wire::CleanValue(request.Field(Joined(prefix, field::kName)));
  node.patron_id = static_cast<std::int32_t>(request.Number(Joined(prefix, field::kPID)));
  node.monarch_id =
      static_cast<std::int32_t>(request.Number(Joined(field::kMonarchPrefix, field::kCID)));
  node.rank = SmallNumber(request, Joined(prefix, field::kRank));
  node.gender = wire::CleanValue(request.Field(Joined(prefix, field::kGender)));
  node.race = wire::CleanValue(request.Field(Joined(prefix, field::kRace)));
  node.produced_xp = wire::CleanValue(request.Field(Joined(prefix, field::kProducedXp)));
  return node;
}

// The tree as the record tells it: the character under its patron, the patron under its own,
// the monarch at the top and the vassals under the character. A record speaks for its own
// character only: the places of characters who post records of their own are theirs to
// tell, so it may add others but never rename or move them.
void SaveTree(SqliteConnection& db, const ServiceRequest& request, const CharacterRow& row) {
  const std::string at = row.updated_at;
  const auto save = [&](const AllegianceNode& node) {
    if (node.id == 0 || node.name.empty() || CharacterCount(node.name) > kMaxNameLength) return;
    if (node.id != row.id && FindCharacter(db, node.id)) return;
    SaveAllegianceNode(db, node, request.character, at);
  };
  AllegianceNode monarch = ReadNode(request, field::kMonarchPrefix);
  monarch.patron_id = 0;  // a monarch has no patron; the record repeats its id there
  if (monarch.id != row.id) save(monarch);
  if (AllegianceNode patron = ReadNode(request, field::kPatronPrefix); patron.id != row.id)
    save(patron);
  for (int n = 1; n <= kMaxVassals && n <= row.vassals; ++n) {
    AllegianceNode vassal = ReadNode(request, Joined(field::kVassalPrefix, std::to_string(n)));
    vassal.patron_id = row.id;
    save(vassal);
  }
  save({row.id, row.name, row.id == row.monarch_id ? 0 : row.patron_id, row.monarch_id, row.rank,
        row.gender, row.race, wire::CleanValue(request.Field(field::kProducedXp))});
}

// "NAME (id N)" of another character that carries `name`; "" when none does.
std::string NameHeldByAnother(SqliteConnection& db, std::int32_t id, std::string_view name) {
  for (const std::int32_t holder : CharacterIdsNamed(db, name)) {
    if (holder != id) return "id " + std::to_string(holder);
  }
  return {};
}

std::string Refusal(std::string_view help) {
  return wire::AnswerRecord().Add(answer::kInfo, "Update refused").Add(answer::kHelp, help).Text();
}

std::vector<std::string> UpdateAnswer(const CharacterRow& row, std::string_view monarch) {
  std::vector<std::string> lines;
  lines.push_back(
      wire::AnswerRecord()
          .Add(answer::kInfo, "Character " + row.name + " updated")
          .Add(answer::kHelp, row.shares_info
                                  ? "Your record is shared with the allegiance."
                                  : "Share info is off: members see only your name, level, "
                                    "whether you are online and your staff roles.")
          .Text());
  lines.push_back(
      wire::AnswerRecord().Add(answer::kInfo, "Level " + std::to_string(row.level)).Text());
  lines.push_back(wire::AnswerRecord().Add(answer::kInfo, "Template " + row.template_name).Text());
  if (!monarch.empty()) {
    lines.push_back(
        wire::AnswerRecord().Add(answer::kInfo, "Monarch " + std::string(monarch)).Text());
  }
  lines.push_back(
      wire::AnswerRecord().Add(answer::kInfo, "Vassals " + std::to_string(row.vassals)).Text());
  if (!row.skills.empty()) {
    std::string skills;
    for (const auto word : SplitWords(row.skills))
      skills += (skills.empty() ? "" : ", ") + std::string(word);
    lines.push_back(wire::AnswerRecord()
                        .Add(answer::kInfo, "Trade skills " + skills)
                        .Add(answer::kHelp, "Members find you in the skill lists of the Mbr page.")
                        .Text());
  }
  return lines;
}

FellowshipRow ReadFellowship(const ServiceRequest& request, std::int64_t count,
                             const std::string& name) {
  FellowshipRow fellowship;
  fellowship.poster_id = request.character;
  fellowship.name = name;
  fellowship.leader_id = static_cast<std::int32_t>(request.Number(field::kLeaderCID));
  fellowship.leader_name = wire::CleanValue(request.Field(field::kLeaderName));
  fellowship.leader_level = SmallNumber(request, field::kLeaderLevel);
  fellowship.shared_xp = request.Field(field::kSharedXp) == "True";
  for (std::int64_t n = 1; n <= count; ++n) {
    const std::string prefix = Joined(field::kFellowPrefix, std::to_string(n));
    fellowship.fellows.push_back(
        {static_cast<std::int32_t>(request.Number(Joined(prefix, field::kCID))),
         wire::CleanValue(request.Field(Joined(prefix, field::kName))),
         SmallNumber(request, Joined(prefix, field::kLevel))});
  }
  return fellowship;
}

std::string RecordText(const ServiceRequest& request) {
  nlohmann::json record = nlohmann::json::object();
  for (const auto& [key, value] : request.fields) record[key] = value;
  return record.dump();
}

}  // namespace

std::string RunUpdateScript(ScriptContext& context) {
  const ServiceRequest& request = context.request;
  const std::string name = wire::CleanValue(request.Field(field::kName));
  if (name.empty()) return Refusal("The character record carried no character name.");
  if (request.character == 0) return Refusal("The character record carried no character id.");
  if (CharacterCount(name) > kMaxNameLength) {
    return Refusal("Names have at most " + std::to_string(kMaxNameLength) + " characters.");
  }
  const auto level = ParseWholeNumber(request.Field(field::kLevel));
  if (!level || *level < 1 || *level > kMaxLevel) {
    return Refusal("The level must be a whole number from 1 to " + std::to_string(kMaxLevel) + ".");
  }
  if (const std::string holder = NameHeldByAnother(context.db, request.character, name);
      !holder.empty()) {
    context.log(std::string(wire::script::kUpdate) + ": refused a record of character id " +
                std::to_string(request.character) + " under the name of another character (" +
                holder + "; ostravel-service rename gives it)");
    NoteRefusedRecord(context.db, request.character, name, holder,
                      wire::FormatIsoDateTime(request.now));
    return Refusal("The name " + name + " belongs to another character (" + holder +
                   "). If it is yours now, ask an admin to run ostravel-service rename.");
  }
  const auto known = FindCharacter(context.db, request.character);
  if (known && known->name != name) {
    context.log(std::string(wire::script::kUpdate) + ": refused a record of character id " +
                std::to_string(request.character) +
                " under a name other than the one on file (ostravel-service rename allows it)");
    NoteRefusedRecord(context.db, request.character, name, known->name,
                      wire::FormatIsoDateTime(request.now));
    return Refusal("Character id " + std::to_string(request.character) + " belongs to " +
                   known->name +
                   ". If the character was renamed, ask an admin to run "
                   "ostravel-service rename.");
  }
  const CharacterRow row = ReadCharacter(request, name);
  SaveCharacter(context.db, row, RecordText(request));
  SaveTree(context.db, request, row);
  return wire::JoinLines(UpdateAnswer(
      row, wire::CleanValue(request.Field(Joined(field::kMonarchPrefix, field::kName)))));
}

std::string RunFellowshipScript(ScriptContext& context) {
  const ServiceRequest& request = context.request;
  if (request.character == 0) return "The fellowship report carried no character id.";
  const std::int64_t count = request.Number(field::kFellows);
  const std::string name = wire::CleanValue(request.Field(field::kFellowshipName));
  if (count <= 0 || name.empty() || name == "0") {
    EraseFellowship(context.db, request.character);
    return "No fellowship: your fellowship record is removed.";
  }
  if (count > static_cast<std::int64_t>(kMaxFellows) || CharacterCount(name) > kMaxNameLength) {
    return "A fellowship has at most " + std::to_string(kMaxFellows) +
           " fellows and a name of at most " + std::to_string(kMaxNameLength) +
           " characters; the report is not stored.";
  }
  const FellowshipRow fellowship = ReadFellowship(request, count, name);
  const bool own = fellowship.leader_id == request.character ||
                   std::any_of(fellowship.fellows.begin(), fellowship.fellows.end(),
                               [&](const FellowRow& f) { return f.id == request.character; });
  if (!own) {
    return "A fellowship report speaks for the reporter's own fellowship, and you are not in "
           "this one; the report is not stored.";
  }
  SaveFellowship(context.db, fellowship, wire::FormatIsoDateTime(request.now));
  return "Fellowship " + fellowship.name +
         " recorded: " + std::to_string(fellowship.fellows.size()) + " fellows, led by " +
         fellowship.leader_name + ".";
}

}  // namespace ostravel::service
