#include "sim/SimCharacterStats.h"

#include <string>
#include <utility>

#include "sim/SimErrors.h"

namespace ostravel::sim {
namespace {

constexpr const char* kStatsSource = "DecalFilters.CharacterStats";

template <class Map>
const typename Map::mapped_type& Lookup(const Map& map, std::int32_t number, const char* what) {
  const auto found = map.find(number);
  if (found == map.end()) {
    ThrowInvalidCall(std::string("no ") + what + " " + std::to_string(number), kStatsSource);
  }
  return found->second;
}

}  // namespace

SimCharacterStats::SimCharacterStats(CharacterProfile profile) : profile_(std::move(profile)) {}

host::AttributeInfo SimCharacterStats::Attribute(std::int32_t number) const {
  return Lookup(profile_.attributes, number, "attribute");
}

std::int32_t SimCharacterStats::Vital(std::int32_t number) const {
  return Lookup(profile_.vitals, number, "vital");
}

host::SkillInfo SimCharacterStats::Skill(std::int32_t number) const {
  return Lookup(profile_.skills, number, "skill");
}

host::AllegianceInfo SimCharacterStats::Vassal(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= profile_.vassals.size()) {
    ThrowInvalidCall("no vassal at index " + std::to_string(index), kStatsSource);
  }
  return profile_.vassals[static_cast<std::size_t>(index)];
}

}  // namespace ostravel::sim
