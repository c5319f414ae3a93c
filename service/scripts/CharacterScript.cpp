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
    if (request.Number("State" + std::string(skill.key)) >= kTrained) {
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
  row.server = wire::CleanValue(request.Field("Server"));
  row.template_name = wire::CleanValue(request.Field("Class"));
  row.race = wire::CleanValue(request.Field("Race"));
  row.gender = wire::CleanValue(request.Field("Gender"));
  row.level = static_cast<int>(request.Number("Level", 1));
  row.rank = SmallNumber(request, "Rank");
  row.followers = SmallNumber(request, "Followers");
  row.vassals = SmallNumber(request, "Vassals");
  row.monarch_id = static_cast<std::int32_t>(request.Number("MonarchCID"));
  row.patron_id = static_cast<std::int32_t>(request.Number("PatronCID"));
  row.monarch_name = wire::CleanValue(request.Field("MonarchName"));
  row.patron_name = wire::CleanValue(request.Field("PatronName"));
  row.shares_info = request.Field("Share") != "0";
  row.pk = request.Field("Pk") == "1";
  row.wants_fellowship = request.wants_fellowship;
  row.skills = Skills(request);
  row.updated_at = wire::FormatIsoDateTime(request.now);
  return row;
}

AllegianceNode ReadNode(const ServiceRequest& request, const std::string& prefix) {
  AllegianceNode node;
  node.id = static_cast<std::int32_t>(request.Number(prefix + "CID"));
  node.name = wire::CleanValue(request.Field(prefix + "Name"));
  node.patron_id = static_cast<std::int32_t>(request.Number(prefix + "PID"));
  node.monarch_id = static_cast<std::int32_t>(request.Number("MonarchCID"));
  node.rank = SmallNumber(request, prefix + "Rank");
  node.gender = wire::CleanValue(request.Field(prefix + "Gender"));
  node.race = wire::CleanValue(request.Field(prefix + "Race"));
  node.produced_xp = wire::CleanValue(request.Field(prefix + "ProducedXp"));
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
  AllegianceNode monarch = ReadNode(request, "Monarch");
  monarch.patron_id = 0;  // a monarch has no patron; the record repeats its id there
  if (monarch.id != row.id) save(monarch);
  if (AllegianceNode patron = ReadNode(request, "Patron"); patron.id != row.id) save(patron);
  for (int n = 1; n <= kMaxVassals && n <= row.vassals; ++n) {
    AllegianceNode vassal = ReadNode(request, "Vassal" + std::to_string(n));
    vassal.patron_id = row.id;
    save(vassal);
  }
  save({row.id, row.name, row.id == row.monarch_id ? 0 : row.patron_id, row.monarch_id, row.rank,
        row.gender, row.race, wire::CleanValue(request.Field("ProducedXp"))});
}

// "NAME (id N)" of another character that carries `name`; "" when none does.
std::string NameHeldByAnother(SqliteConnection& db, std::int32_t id, std::string_view name) {
  for (const std::int32_t holder : CharacterIdsNamed(db, name)) {
    if (holder != id) return "id " + std::to_string(holder);
  }
  return {};
}

std::string Refusal(std::string_view help) {
  return wire::AnswerRecord().Add("Info", "Update refused").Add("Help", help).Text();
}

std::vector<std::string> UpdateAnswer(const CharacterRow& row, std::string_view monarch) {
  std::vector<std::string> lines;
  lines.push_back(wire::AnswerRecord()
                      .Add("Info", "Character " + row.name + " updated")
                      .Add("Help", row.shares_info
                                       ? "Your record is shared with the allegiance."
                                       : "Share info is off: members see only your name, level, "
                                         "whether you are online and your staff roles.")
                      .Text());
  lines.push_back(wire::AnswerRecord().Add("Info", "Level " + std::to_string(row.level)).Text());
  lines.push_back(wire::AnswerRecord().Add("Info", "Template " + row.template_name).Text());
  if (!monarch.empty()) {
    lines.push_back(wire::AnswerRecord().Add("Info", "Monarch " + std::string(monarch)).Text());
  }
  lines.push_back(
      wire::AnswerRecord().Add("Info", "Vassals " + std::to_string(row.vassals)).Text());
  if (!row.skills.empty()) {
    std::string skills;
    for (const auto word : SplitWords(row.skills))
      skills += (skills.empty() ? "" : ", ") + std::string(word);
    lines.push_back(wire::AnswerRecord()
                        .Add("Info", "Trade skills " + skills)
                        .Add("Help", "Members find you in the skill lists of the Mbr page.")
                        .Text());
  }
  return lines;
}

FellowshipRow ReadFellowship(const ServiceRequest& request, std::int64_t count,
                             const std::string& name) {
  FellowshipRow fellowship;
  fellowship.poster_id = request.character;
  fellowship.name = name;
  fellowship.leader_id = static_cast<std::int32_t>(request.Number("LeaderCID"));
  fellowship.leader_name = wire::CleanValue(request.Field("LeaderName"));
  fellowship.leader_level = SmallNumber(request, "LeaderLevel");
  fellowship.shared_xp = request.Field("SharedXp") == "True";
  for (std::int64_t n = 1; n <= count; ++n) {
    const std::string prefix = "Fellow" + std::to_string(n);
    fellowship.fellows.push_back({static_cast<std::int32_t>(request.Number(prefix + "CID")),
                                  wire::CleanValue(request.Field(prefix + "Name")),
                                  SmallNumber(request, prefix + "Level")});
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
  const std::string name = wire::CleanValue(request.Field("Name"));
  if (name.empty()) return Refusal("The character record carried no character name.");
  if (request.character == 0) return Refusal("The character record carried no character id.");
  if (CharacterCount(name) > kMaxNameLength) {
    return Refusal("Names have at most " + std::to_string(kMaxNameLength) + " characters.");
  }
  const auto level = ParseWholeNumber(request.Field("Level"));
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
  return wire::JoinLines(UpdateAnswer(row, wire::CleanValue(request.Field("MonarchName"))));
}

std::string RunFellowshipScript(ScriptContext& context) {
  const ServiceRequest& request = context.request;
  if (request.character == 0) return "The fellowship report carried no character id.";
  const std::int64_t count = request.Number("Fellows");
  const std::string name = wire::CleanValue(request.Field("FellowshipName"));
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
