#include "DemoSeed.h"

#include <array>
#include <sstream>
#include <string_view>

#include "wire/ServiceDates.h"

namespace ostravel::app {
namespace {

constexpr std::int32_t kQueenAnn = 1342177281;   // the sample character's monarch
constexpr std::int32_t kSirWendel = 1342177288;  // its patron
constexpr std::int32_t kTam = 1342177310;        // its vassals
constexpr std::int32_t kMira = 1342177361;
constexpr std::int32_t kGarrick = 1342177372;
constexpr std::int32_t kSela = 1342177383;
constexpr std::int32_t kYsolde = 1342177405;
constexpr std::int32_t kKestrel = 1342177427;
constexpr std::int32_t kPell = 1342177449;

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

std::set<std::string, std::less<>> WordSet(std::string_view words) {
  std::set<std::string, std::less<>> set;
  std::istringstream in{std::string(words)};
  for (std::string word; in >> word;) set.insert(word);
  return set;
}

DemoMember MakeMember(const SeedMember& seed) {
  DemoMember member;
  member.id = seed.id;
  member.name = seed.name;
  member.level = seed.level;
  member.template_name = seed.template_name;
  member.online = seed.online;
  member.location = seed.location;
  member.roles = WordSet(seed.roles);
  member.skills = WordSet(seed.skills);
  member.pk = seed.pk;
  member.wants_fellowship = seed.wants_fellowship;
  member.race = seed.race;
  member.gender = seed.gender;
  member.server = "Darktide";
  member.monarch = "Queen Ann";
  member.patron = seed.id == kQueenAnn ? "" : seed.id == kTam ? "Ostra Vel" : "Sir Wendel";
  return member;
}

DemoMember MakeAlly(std::int32_t id, std::string_view name, int level, bool online) {
  DemoMember ally;
  ally.id = id;
  ally.name = name;
  ally.level = level;
  ally.template_name = level > 100 ? "Soldier" : "Life Caster";
  ally.online = online;
  ally.ally = true;
  ally.allegiance = "Sable Guard";
  ally.server = "Darktide";
  return ally;
}

void AddFellowship(DemoWorld& world, std::string_view name, const std::vector<std::int32_t>& ids) {
  DemoFellowship fellowship;
  fellowship.name = name;
  fellowship.leader_id = ids.front();
  fellowship.shared_xp = true;
  for (const std::int32_t id : ids) {
    DemoMember* member = world.FindMember(id);
    fellowship.fellows.push_back({id, member->name, member->level});
    member->fellowship_leader = ids.front();
  }
  fellowship.leader_name = fellowship.fellows.front().name;
  fellowship.leader_level = fellowship.fellows.front().level;
  world.fellowships[ids.front()] = fellowship;
}

void SeedEvents(DemoWorld& world, const platform::DateTime& now) {
  world.AddEvent(wire::AtTime(now, 20, 0), true, "Olthoi queen hunt",
                 "Meet at the Holtburg lifestone; bring healing kits and spare mana stones.",
                 kMira);
  world.AddEvent(wire::AtTime(wire::AddDays(now, 1), 19, 30), true, "Royal court",
                 "Queen Ann holds court in the meeting hall; oaths and promotions.", kQueenAnn);
  world.AddEvent(wire::AtTime(wire::AddDays(now, 2), 18, 0), true, "Newcomer tour",
                 "A walk through Holtburg and its portals for new vassals.", kTam);
  world.AddEvent(wire::AtTime(wire::AddDays(now, 5), 21, 0), true, "Tinkering fair",
                 "Bring salvage; our tinkerers work for free all evening.", kGarrick);
  world.AddEvent(wire::AtTime(wire::AddDays(now, 12), 20, 0), true, "Portal storm watch",
                 "Reporters wanted to watch the towns during the storm.", kYsolde);
  world.AddEvent(wire::AtTime(wire::AddDays(now, 30), 0, 0), false, "Allegiance anniversary feast",
                 "All day in Holtburg: games, prizes and a feast.", kQueenAnn);
}

}  // namespace

void SeedDemoWorld(DemoWorld& world, const platform::DateTime& now) {
  for (const SeedMember& seed : kMembers) world.members.push_back(MakeMember(seed));
  world.members.push_back(MakeAlly(1610612801, "Rurik Ironhand", 130, true));
  world.members.push_back(MakeAlly(1610612812, "Ama Sunweaver", 97, false));
  AddFellowship(world, "Stonebreakers", {kGarrick, kPell, kMira});
  AddFellowship(world, "Dawn Patrol", {kKestrel, kSela});
  world.landblocks[LandblockOf(kDemoTownLocation)] = {
      "Holtburg, the allegiance's home town: meeting hall north of the lifestone, vendors by "
      "the well.",
      kQueenAnn};
  SeedEvents(world, now);
}

void SeedMailbox(DemoWorld& world, std::int32_t character, const platform::DateTime& now) {
  if (character == 0 || !world.seeded_mailboxes.insert(character).second) return;
  struct Letter {
    std::int32_t from;
    std::int64_t age_seconds;
    bool read;
    std::string_view text;
  };
  static constexpr std::array<Letter, 4> kLetters = {{
      {kQueenAnn, 3 * 3600, false,
       "Welcome to the allegiance! Court is held every evening at the Holtburg meeting hall."},
      {kMira, 26 * 3600, false,
       "Quest night: we hunt the Olthoi queen. Bring healing kits and spare mana stones."},
      {kSirWendel, 4 * 86400, true, "Thanks for the salvage, it made a fine bow."},
      {kGarrick, 6 * 86400, true, "Your armor is tinkered, pick it up when you pass by Arwic."},
  }};
  for (const Letter& letter : kLetters) {
    if (letter.from == character) continue;
    world
        .AddMessage(letter.from, character, world.NameOf(character, ""), std::string(letter.text),
                    wire::AddSeconds(now, -letter.age_seconds))
        .read = letter.read;
  }
  if (character != kTam) {
    world.AddMessage(character, kTam, "Tam Brightwater",
                     "Meet me at the Holtburg meeting hall at eight.",
                     wire::AddSeconds(now, -2 * 86400));
  }
}

}  // namespace ostravel::app
