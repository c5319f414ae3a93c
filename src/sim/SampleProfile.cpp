#include <array>
#include <string_view>

#include "sim/CharacterProfile.h"

namespace ostravel::sim {
namespace {

// Allegiance genders and races as the game numbers them.
constexpr std::int32_t kMale = 1;
constexpr std::int32_t kFemale = 2;
constexpr std::int32_t kAluvian = 1;
constexpr std::int32_t kGharundim = 2;
constexpr std::int32_t kSho = 3;

// Skill states: untrained, trained, specialised.
constexpr std::int32_t kUntrained = 1;
constexpr std::int32_t kTrained = 2;
constexpr std::int32_t kSpecialized = 3;

constexpr std::int32_t kSelfId = 1342177295;     // 0x5000000F
constexpr std::int32_t kMonarchId = 1342177281;  // 0x50000001
constexpr std::int32_t kPatronId = 1342177288;   // 0x50000008
constexpr std::int32_t kFirstVassalId = 1342177310;
constexpr std::int32_t kSecondVassalId = 1342177333;

constexpr std::array<std::string_view, 40> kSkillNames = {
    "Axe",
    "Bow",
    "Crossbow",
    "Dagger",
    "Mace",
    "Melee Defense",
    "Missile Defense",
    "Sling",
    "Spear",
    "Staff",
    "Sword",
    "Thrown Weapons",
    "Unarmed Combat",
    "Arcane Lore",
    "Magic Defense",
    "Mana Conversion",
    "Spellcraft",
    "Item Tinkering",
    "Assess Person",
    "Deception",
    "Healing",
    "Jump",
    "Lockpick",
    "Run",
    "Awareness",
    "Arms and Armor Repair",
    "Assess Creature",
    "Weapon Tinkering",
    "Armor Tinkering",
    "Magic Item Tinkering",
    "Creature Enchantment",
    "Item Enchantment",
    "Life Magic",
    "War Magic",
    "Leadership",
    "Loyalty",
    "Fletching",
    "Alchemy",
    "Cooking",
    "Salvaging",
};

void AddStats(CharacterProfile& profile) {
  // The 330 points of character creation, then 130 raised on each.
  constexpr std::array<std::int32_t, 6> kStart = {10, 60, 60, 10, 90, 100};
  for (std::int32_t number = 1; number <= 6; ++number) {
    const std::int32_t start = kStart[static_cast<std::size_t>(number - 1)];
    profile.attributes[number] = host::AttributeInfo{start, start + 130};
  }
  constexpr std::array<std::int32_t, 6> kVitals = {285, 285, 380, 380, 420, 420};
  for (std::int32_t number = 1; number <= 6; ++number) {
    profile.vitals[number] = kVitals[static_cast<std::size_t>(number - 1)];
  }
  for (std::int32_t number = 1; number <= 40; ++number) {
    const auto index = static_cast<std::size_t>(number - 1);
    // The magic school and its defences specialised, the trades trained, the rest untrained.
    const std::int32_t state = number >= 31 && number <= 34     ? kSpecialized
                               : number % 3 == 0 || number > 34 ? kTrained
                                                                : kUntrained;
    const std::int32_t value = state == kSpecialized ? 380 : state == kTrained ? 250 : 120;
    profile.skills[number] =
        host::SkillInfo{std::string(kSkillNames[index]), state, value + number};
  }
  profile.skill_count = static_cast<std::int32_t>(profile.skills.size());
}

void AddAllegiance(CharacterProfile& profile) {
  profile.monarch = host::AllegianceInfo{kMonarchId, kFemale, 310, 290,          "Queen Ann",
                                         kAluvian,   9,       0,   1'500'000'000};
  profile.patron = host::AllegianceInfo{kPatronId, kMale, 220,        180,       "Sir Wendel",
                                        kSho,      7,     kMonarchId, 84'000'000};
  profile.self = host::AllegianceInfo{kSelfId,  kFemale, 160,       150,       "Ostra Vel",
                                      kAluvian, 5,       kPatronId, 12'500'000};
  profile.vassals = {
      host::AllegianceInfo{kFirstVassalId, kMale, 40, 60, "Tam Brightwater", kGharundim, 2, kSelfId,
                           2'300'000},
      host::AllegianceInfo{kSecondVassalId, kFemale, 25, 35, "Li Mei", kSho, 1, kSelfId, 640'000},
  };
  profile.vassal_count = static_cast<std::int32_t>(profile.vassals.size());
  profile.followers = 3;
}

}  // namespace

CharacterProfile SampleProfile() {
  CharacterProfile profile;
  profile.id = kSelfId;
  profile.name = "Ostra Vel";
  profile.server = "Darktide";
  profile.population = 1234;
  profile.birth = 1086566400;  // 7 June 2004
  profile.age = 3600000;
  profile.deaths = 12;
  profile.class_template = "Adventurer";
  profile.gender = "Female";
  profile.race = "Aluvian";
  profile.level = 126;
  profile.rank = 5;
  profile.skill_points = 0;
  AddStats(profile);
  AddAllegiance(profile);
  profile.location = 0x7D640013;  // Holtburg
  profile.selection = 0;
  profile.world = {
      {kSelfId, "Ostra Vel"},
      {kFirstVassalId, "Tam Brightwater"},
      {kSecondVassalId, "Li Mei"},
      {static_cast<std::int32_t>(0x80000A21u), "Town Crier"},
      {static_cast<std::int32_t>(0x7D640124), "Life Stone"},
  };
  return profile;
}

}  // namespace ostravel::sim
