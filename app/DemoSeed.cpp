#include "DemoSeed.h"

#include <array>
#include <string_view>
#include <vector>

#include "base/Words.h"
#include "service/AllegianceService.h"
#include "service/store/CharacterTable.h"
#include "service/store/EventTable.h"
#include "service/store/FellowshipTable.h"
#include "service/store/LandblockTable.h"
#include "service/store/MessageTable.h"
#include "service/store/StaffTable.h"
#include "wire/ServiceDates.h"

namespace ostravel::app {
namespace {

using service::SqliteConnection;

constexpr std::int32_t kQueenAnn = 1342177281;   // the sample character's monarch
constexpr std::int32_t kSirWendel = 1342177288;  // its patron
constexpr std::int32_t kTam = 1342177310;        // its vassals
constexpr std::int32_t kMira = 1342177361;
constexpr std::int32_t kGarrick = 1342177372;
constexpr std::int32_t kSela = 1342177383;
constexpr std::int32_t kYsolde = 1342177405;
constexpr std::int32_t kKestrel = 1342177427;
constexpr std::int32_t kPell = 1342177449;
constexpr std::int32_t kOstraVel = 1342177295;  // the workbench's sample character

constexpr std::uint32_t kArwic = 0xC6A90009;
constexpr std::uint32_t kYaraq = 0x8603001A;

struct SeedMember {
  std::int32_t id;
  std::string_view name;
  int level;
  std::string_view template_name;
  bool online;
  std::uint32_t location;
  std::string_view roles;   // space-separated
  std::string_view skills;  // space-separated
  bool pk;
  bool wants_fellowship;
  std::string_view race;
  std::string_view gender;
};

constexpr std::array<SeedMember, 15> kMembers = {{
    {kQueenAnn, "Queen Ann", 275, "War Mage", true, kDemoTownLocation, "magistrate", "alchemy",
     false, false, "Aluvian", "Female"},
    {kSirWendel, "Sir Wendel", 220, "Swordsman", true, kArwic, "pkgeneral",
     "weapontinkering armortinkering", true, false, "Sho", "Male"},
    {kTam, "Tam Brightwater", 40, "Bow Hunter", true, kDemoTownLocation, "", "fletching", false,
     true, "Gharu'ndim", "Male"},
    {1342177333, "Li Mei", 25, "Life Caster", false, 0xDA55001D, "", "alchemy cooking", false,
     false, "Sho", "Female"},
    {1342177350, "Brother Osric", 5, "Adventurer", true, 0xA9B40021, "", "cooking", false, true,
     "Aluvian", "Male"},
    {kMira, "Mira Dawnsong", 88, "Life Caster", true, kDemoTownLocation, "questmaster", "alchemy",
     false, false, "Viamontian", "Female"},
    {kGarrick, "Garrick Stone", 150, "Soldier", true, kArwic, "chainmanager",
     "armortinkering itemtinkering", false, false, "Aluvian", "Male"},
    {kSela, "Sela Nightshade", 62, "Vagabond", true, kYaraq, "", "lockpick", true, false,
     "Gharu'ndim", "Female"},
    {1342177394, "Hollis Fenn", 115, "Wayfarer", false, 0, "brt", "lockpick fletching", false,
     false, "Aluvian", "Male"},
    {kYsolde, "Ysolde Marr", 180, "War Mage", true, 0xE74E0011, "reporter", "magicitemtinkering",
     false, false, "Viamontian", "Female"},
    {1342177416, "Dunstan Reeve", 19, "Soldier", true, kDemoTownLocation, "", "cooking", false,
     true, "Aluvian", "Male"},
    {kKestrel, "Kestrel Vane", 101, "Bow Hunter", true, kYaraq, "brt", "fletching lockpick", true,
     false, "Sho", "Female"},
    {1342177438, "Old Bertram", 240, "Adventurer", false, 0, "magistrate questmaster",
     "itemtinkering", false, false, "Aluvian", "Male"},
    {kPell, "Bob", 72, "Swordsman", true, kArwic, "", "weapontinkering", false, false, "Gharu'ndim",
     "Male"},
    {1342177460, "Wren Thistle", 33, "Vagabond", false, 0, "reporter", "cooking lockpick", false,
     false, "Aluvian", "Female"},
}};

constexpr std::int32_t kRurik = 1610612801;

std::string PatronName(std::int32_t id) {
  return id == kQueenAnn ? "" : id == kTam ? "Ostra Vel" : "Sir Wendel";
}

std::int32_t PatronId(std::int32_t id) {
  return id == kQueenAnn ? 0 : id == kTam ? kOstraVel : kSirWendel;
}

// The fellowship each sample member belongs to, by its leader's id.
std::int32_t FellowshipLeader(std::int32_t id) {
  if (id == kGarrick || id == kPell || id == kMira) return kGarrick;
  if (id == kKestrel || id == kSela) return kKestrel;
  return 0;
}

void AddMember(service::AllegianceService& service, SqliteConnection& db, const SeedMember& seed,
               const std::string& at) {
  service::CharacterRow row;
  row.id = seed.id;
  row.name = seed.name;
  row.level = seed.level;
  row.template_name = seed.template_name;
  row.server = "Darktide";
  row.race = seed.race;
  row.gender = seed.gender;
  row.monarch_id = kQueenAnn;
  row.patron_id = PatronId(seed.id);
  row.monarch_name = "Queen Ann";
  row.patron_name = PatronName(seed.id);
  row.pk = seed.pk;
  row.wants_fellowship = seed.wants_fellowship;
  row.skills = seed.skills;
  row.updated_at = at;
  service::SaveCharacter(db, row, "{}");
  service::SaveAllegianceNode(
      db, {seed.id, row.name, row.patron_id, kQueenAnn, 0, row.gender, row.race, "0"}, seed.id, at);
  for (const auto role : SplitWords(seed.roles)) service::SetRole(db, seed.name, role, true);
  if (seed.online) {
    service.Online().Pin(seed.id,
                         {seed.location, seed.wants_fellowship, FellowshipLeader(seed.id)});
  }
}

void SeedAlly(service::AllegianceService& service, SqliteConnection& db, std::int32_t id,
              std::string_view name, int level, bool online, const std::string& at) {
  service::CharacterRow row;
  row.id = id;
  row.name = name;
  row.level = level;
  row.template_name = level > 100 ? "Soldier" : "Life Caster";
  row.server = "Darktide";
  row.updated_at = at;
  service::SaveCharacter(db, row, "{}");
  service::SetFriend(db, name, "Sable Guard", true);
  if (online) service.Online().Pin(id, {});
}

void SeedFellowship(SqliteConnection& db, std::string_view name,
                    const std::vector<std::int32_t>& ids, const std::string& at) {
  service::FellowshipRow fellowship;
  fellowship.poster_id = ids.front();
  fellowship.name = name;
  fellowship.leader_id = ids.front();
  fellowship.shared_xp = true;
  for (const std::int32_t id : ids) {
    const auto member = service::FindCharacter(db, id);
    fellowship.fellows.push_back({id, member->name, member->level});
  }
  fellowship.leader_name = fellowship.fellows.front().name;
  fellowship.leader_level = fellowship.fellows.front().level;
  service::SaveFellowship(db, fellowship, at);
}

void SeedEvent(SqliteConnection& db, const platform::DateTime& when, bool has_time,
               std::string_view title, std::string_view description, std::int32_t added_by,
               const std::string& at) {
  service::InsertEvent(db, {has_time ? wire::FormatIsoMinute(when) : wire::FormatIsoDate(when),
                            has_time, std::string(title), std::string(description), added_by, at});
}

void SeedEvents(SqliteConnection& db, const platform::DateTime& now, const std::string& at) {
  using wire::AddDays;
  using wire::AtTime;
  SeedEvent(db, wire::AtTime(now, 20, 0), true, "Olthoi queen hunt",
            "Meet at the Holtburg lifestone; bring healing kits and spare mana stones.", kMira, at);
  SeedEvent(db, wire::AtTime(wire::AddDays(now, 1), 19, 30), true, "Royal court",
            "Queen Ann holds court in the meeting hall; oaths and promotions.", kQueenAnn, at);
  SeedEvent(db, wire::AtTime(wire::AddDays(now, 2), 18, 0), true, "Newcomer tour",
            "A walk through Holtburg and its portals for new vassals.", kTam, at);
  SeedEvent(db, wire::AtTime(wire::AddDays(now, 5), 21, 0), true, "Tinkering fair",
            "Bring salvage; our tinkerers work for free all evening.", kGarrick, at);
  SeedEvent(db, wire::AtTime(wire::AddDays(now, 12), 20, 0), true, "Portal storm watch",
            "Reporters wanted to watch the towns during the storm.", kYsolde, at);
  SeedEvent(db, wire::AtTime(wire::AddDays(now, 30), 0, 0), false, "Allegiance anniversary feast",
            "All day in Holtburg: games, prizes and a feast.", kQueenAnn, at);
}

}  // namespace

void SeedDemoWorld(service::AllegianceService& service, const platform::DateTime& now) {
  const std::string at = wire::FormatIsoDateTime(now);
  service.Db().Write([&](SqliteConnection& db) {
    for (const SeedMember& seed : kMembers) AddMember(service, db, seed, at);
    service::SaveAllegianceNode(db, {kOstraVel, "Ostra Vel", kSirWendel, kQueenAnn, 0, "", "", "0"},
                                kOstraVel, at);
    SeedAlly(service, db, kRurik, "Rurik Ironhand", 130, true, at);
    SeedAlly(service, db, 1610612812, "Ama Sunweaver", 97, false, at);
    SeedFellowship(db, "Stonebreakers", {kGarrick, kPell, kMira}, at);
    SeedFellowship(db, "Dawn Patrol", {kKestrel, kSela}, at);
    service::SaveLandblockText(db, kDemoTownLocation,
                               "Holtburg, the allegiance's home town: meeting hall north of the "
                               "lifestone, vendors by the well.",
                               kQueenAnn, at);
    SeedEvents(db, now, at);
    service::SetMessageOfTheDay(
        db, "This allegiance is a demo on a throwaway database; it is gone when the demo ends.");
    return std::string();
  });
}

void SeedMailbox(service::AllegianceService& service, std::int32_t character,
                 const platform::DateTime& now) {
  if (character == 0) return;
  struct Letter {
    std::int32_t from;
    std::int64_t age_seconds;
    bool read;
    std::string_view text;
  };
  static constexpr std::array<Letter, 4> kLetters = {{
      {kGarrick, 6 * 86400, true, "Your armor is tinkered, pick it up when you pass by Arwic."},
      {kSirWendel, 4 * 86400, true, "Thanks for the salvage, it made a fine bow."},
      {kMira, 26 * 3600, false,
       "Quest night: we hunt the Olthoi queen. Bring healing kits and spare mana stones."},
      {kQueenAnn, 3 * 3600, false,
       "Welcome to the allegiance! Court is held every evening at the Holtburg meeting hall."},
  }};
  service.Db().Write([&](SqliteConnection& db) {
    const auto own = service::FindCharacter(db, character);
    for (const Letter& letter : kLetters) {
      if (letter.from == character) continue;
      service::InsertMessage(
          db, {0, letter.from, character, own ? own->name : std::string(), std::string(letter.text),
               wire::FormatIsoDateTime(wire::AddSeconds(now, -letter.age_seconds)), letter.read,
               false, false});
    }
    if (character != kTam) {
      service::InsertMessage(
          db,
          {0, character, kTam, "Tam Brightwater", "Meet me at the Holtburg meeting hall at eight.",
           wire::FormatIsoDateTime(wire::AddSeconds(now, -2 * 86400)), false, false, false});
    }
    return std::string();
  });
}

}  // namespace ostravel::app
