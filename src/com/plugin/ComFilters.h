#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/plugin/ComEvents.h"
#include "host/Filters.h"

namespace ostravel::com {

// The service at a path, as the filter kind it answers to QueryInterface (a plain host object
// for a kind the plug-in does not know).
std::shared_ptr<host::HostObject> MakeService(const ComPtr<IUnknown>& service);

class EchoSink;
class CharacterStatsSink;

class ComEchoFilter2 final : public host::EchoFilter2 {
 public:
  explicit ComEchoFilter2(ComPtr<IDecalEchoFilter2> filter);
  ~ComEchoFilter2() override;

 private:
  ComPtr<IDecalEchoFilter2> filter_;
  std::unique_ptr<Advice<EchoSink>> events_;
};

class ComWorld final : public host::World {
 public:
  explicit ComWorld(ComPtr<IDecalWorld> world);
  std::optional<std::string> ObjectName(std::int32_t id) const override;

 private:
  ComPtr<IDecalWorld> world_;
};

class ComCharacterStats final : public host::CharacterStats {
 public:
  explicit ComCharacterStats(ComPtr<IDecalCharacterStats> stats);
  ~ComCharacterStats() override;

  std::int32_t CharacterId() const override;
  std::string Name() const override;
  std::string Server() const override;
  std::int32_t ServerPopulation() const override;
  std::int32_t Birth() const override;
  std::int32_t Age() const override;
  std::int32_t Deaths() const override;
  std::string ClassTemplate() const override;
  std::string Gender() const override;
  std::string Race() const override;
  std::int32_t Level() const override;
  std::int32_t Rank() const override;
  std::int32_t SkillPoints() const override;
  std::int32_t Followers() const override;
  std::int32_t VassalCount() const override;
  std::int32_t SkillCount() const override;
  host::AttributeInfo Attribute(std::int32_t number) const override;
  std::int32_t Vital(std::int32_t number) const override;
  host::SkillInfo Skill(std::int32_t number) const override;
  std::optional<host::AllegianceInfo> Monarch() const override;
  std::optional<host::AllegianceInfo> Patron() const override;
  std::optional<host::AllegianceInfo> Self() const override;
  host::AllegianceInfo Vassal(std::int32_t index) const override;

 private:
  using LongGetter = decltype(&IDecalCharacterStats::get_Level);
  using TextGetter = decltype(&IDecalCharacterStats::get_Name);
  using RecordGetter = decltype(&IDecalCharacterStats::get_Monarch);
  std::int32_t Long(LongGetter get) const;
  std::string Text(TextGetter get) const;
  std::optional<host::AllegianceInfo> Record(RecordGetter get) const;

  ComPtr<IDecalCharacterStats> stats_;
  std::unique_ptr<Advice<CharacterStatsSink>> events_;
};

}  // namespace ostravel::com
