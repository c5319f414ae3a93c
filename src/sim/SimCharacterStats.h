#pragma once

#include "host/Filters.h"
#include "sim/CharacterProfile.h"

namespace ostravel::sim {

// The CharacterStats filter, answering from a character profile.
class SimCharacterStats final : public host::CharacterStats {
 public:
  explicit SimCharacterStats(CharacterProfile profile);

  std::int32_t CharacterId() const override { return profile_.id; }
  std::string Name() const override { return profile_.name; }
  std::string Server() const override { return profile_.server; }
  std::int32_t ServerPopulation() const override { return profile_.population; }
  std::int32_t Birth() const override { return profile_.birth; }
  std::int32_t Age() const override { return profile_.age; }
  std::int32_t Deaths() const override { return profile_.deaths; }
  std::string ClassTemplate() const override { return profile_.class_template; }
  std::string Gender() const override { return profile_.gender; }
  std::string Race() const override { return profile_.race; }
  std::int32_t Level() const override { return profile_.level; }
  std::int32_t Rank() const override { return profile_.rank; }
  std::int32_t SkillPoints() const override { return profile_.skill_points; }
  std::int32_t Followers() const override { return profile_.followers; }
  std::int32_t VassalCount() const override { return profile_.vassal_count; }
  std::int32_t SkillCount() const override { return profile_.skill_count; }
  // The lookups below throw Error 5 for a number or index the profile lacks.
  host::AttributeInfo Attribute(std::int32_t number) const override;
  std::int32_t Vital(std::int32_t number) const override;
  host::SkillInfo Skill(std::int32_t number) const override;
  std::optional<host::AllegianceInfo> Monarch() const override { return profile_.monarch; }
  std::optional<host::AllegianceInfo> Patron() const override { return profile_.patron; }
  std::optional<host::AllegianceInfo> Self() const override { return profile_.self; }
  host::AllegianceInfo Vassal(std::int32_t index) const override;

 private:
  CharacterProfile profile_;
};

}  // namespace ostravel::sim
