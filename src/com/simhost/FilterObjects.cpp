#include "com/simhost/FilterObjects.h"

#include <optional>
#include <utility>

#include "com/simhost/Guarded.h"
#include "com/simhost/MessageObject.h"

namespace ostravel::com::simhost {
namespace {

// A LONG read from the filter, written last.
template <class Read>
HRESULT ReadLong(LONG* value, Read&& read) {
  if (!value) return E_POINTER;
  return Guarded([&] { *value = read(); });
}

// A text read from the filter, handed over as a BSTR the caller frees.
template <class Read>
HRESULT ReadText(BSTR* value, Read&& read) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return Guarded([&] { *value = Bstr(read()).Detach(); });
}

DecalAllegianceInfo ToInfo(const host::AllegianceInfo& record) {
  DecalAllegianceInfo info{};
  info.guid = record.guid;
  info.gender = record.gender;
  info.leadership = record.leadership;
  info.loyalty = record.loyalty;
  info.race = record.race;
  info.rank = record.rank;
  info.treeParent = record.tree_parent;
  info.xp = record.xp;
  info.name = Bstr(record.name).Detach();  // last: nothing after it can fail
  return info;
}

HRESULT ReadRecord(VARIANT_BOOL* present, DecalAllegianceInfo* info,
                   const std::optional<host::AllegianceInfo>& record) {
  if (!present || !info) return E_POINTER;
  *info = DecalAllegianceInfo{};
  *present = VARIANT_FALSE;
  return Guarded([&] {
    if (!record) return;
    *info = ToInfo(*record);
    *present = VARIANT_TRUE;
  });
}

}  // namespace

EchoFilterObject::EchoFilterObject(std::shared_ptr<host::EchoFilter2> filter,
                                   std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), filter_(std::move(filter)) {
  echo_ =
      filter_->EchoServer.Connect([this](const host::Message& message) { EchoServer(message); });
}

void EchoFilterObject::EchoServer(const host::Message& message) {
  ComPtr<IDecalEchoFilter2> hold(this);
  auto readable = std::make_shared<bool>(true);
  auto wrapped = MakeComObject<MessageObject>(message, readable, Counters());
  Deliver(sinks_, [&](IDecalEchoFilter2Events* sink) { sink->EchoServer(wrapped.Get()); });
  // The message is the host's only for this event; a sink that kept a reference reads nothing.
  *readable = false;
}

WorldObject::WorldObject(std::shared_ptr<host::World> world, std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), world_(std::move(world)) {}

HRESULT WorldObject::ObjectName(LONG id, VARIANT_BOOL* found, BSTR* name) {
  if (!found || !name) return E_POINTER;
  *found = VARIANT_FALSE;
  *name = nullptr;
  return Guarded([&] {
    const auto known = world_->ObjectName(id);
    if (!known) return;
    *name = Bstr(*known).Detach();
    *found = VARIANT_TRUE;
  });
}

CharacterStatsObject::CharacterStatsObject(std::shared_ptr<host::CharacterStats> stats,
                                           std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), stats_(std::move(stats)) {
  login_ = stats_->LoginComplete.Connect(
      [this] { Raise([](IDecalCharacterStatsEvents* sink) { sink->LoginComplete(); }); });
  logoff_ = stats_->Logoff.Connect([this](std::int32_t type) {
    Raise([type](IDecalCharacterStatsEvents* sink) { sink->Logoff(type); });
  });
}

template <class Call>
void CharacterStatsObject::Raise(Call&& call) {
  ComPtr<IDecalCharacterStats> hold(this);
  Deliver(sinks_, std::forward<Call>(call));
}

HRESULT CharacterStatsObject::get_CharacterId(LONG* value) {
  return ReadLong(value, [&] { return stats_->CharacterId(); });
}
HRESULT CharacterStatsObject::get_Name(BSTR* value) {
  return ReadText(value, [&] { return stats_->Name(); });
}
HRESULT CharacterStatsObject::get_Server(BSTR* value) {
  return ReadText(value, [&] { return stats_->Server(); });
}
HRESULT CharacterStatsObject::get_ServerPopulation(LONG* value) {
  return ReadLong(value, [&] { return stats_->ServerPopulation(); });
}
HRESULT CharacterStatsObject::get_Birth(LONG* value) {
  return ReadLong(value, [&] { return stats_->Birth(); });
}
HRESULT CharacterStatsObject::get_Age(LONG* value) {
  return ReadLong(value, [&] { return stats_->Age(); });
}
HRESULT CharacterStatsObject::get_Deaths(LONG* value) {
  return ReadLong(value, [&] { return stats_->Deaths(); });
}
HRESULT CharacterStatsObject::get_ClassTemplate(BSTR* value) {
  return ReadText(value, [&] { return stats_->ClassTemplate(); });
}
HRESULT CharacterStatsObject::get_Gender(BSTR* value) {
  return ReadText(value, [&] { return stats_->Gender(); });
}
HRESULT CharacterStatsObject::get_Race(BSTR* value) {
  return ReadText(value, [&] { return stats_->Race(); });
}
HRESULT CharacterStatsObject::get_Level(LONG* value) {
  return ReadLong(value, [&] { return stats_->Level(); });
}
HRESULT CharacterStatsObject::get_Rank(LONG* value) {
  return ReadLong(value, [&] { return stats_->Rank(); });
}
HRESULT CharacterStatsObject::get_SkillPoints(LONG* value) {
  return ReadLong(value, [&] { return stats_->SkillPoints(); });
}
HRESULT CharacterStatsObject::get_Followers(LONG* value) {
  return ReadLong(value, [&] { return stats_->Followers(); });
}
HRESULT CharacterStatsObject::get_VassalCount(LONG* value) {
  return ReadLong(value, [&] { return stats_->VassalCount(); });
}
HRESULT CharacterStatsObject::get_SkillCount(LONG* value) {
  return ReadLong(value, [&] { return stats_->SkillCount(); });
}

HRESULT CharacterStatsObject::get_Attribute(LONG number, LONG* start, LONG* current) {
  if (!start || !current) return E_POINTER;
  return Guarded([&] {
    const auto attribute = stats_->Attribute(number);
    *start = attribute.start;
    *current = attribute.current;
  });
}

HRESULT CharacterStatsObject::get_Vital(LONG number, LONG* value) {
  return ReadLong(value, [&] { return stats_->Vital(number); });
}

HRESULT CharacterStatsObject::get_Skill(LONG number, BSTR* name, LONG* state, LONG* value) {
  if (!name || !state || !value) return E_POINTER;
  *name = nullptr;
  return Guarded([&] {
    const auto skill = stats_->Skill(number);
    *state = skill.state;
    *value = skill.value;
    *name = Bstr(skill.name).Detach();
  });
}

HRESULT CharacterStatsObject::get_Monarch(VARIANT_BOOL* present, DecalAllegianceInfo* info) {
  return Guarded([&] { ThrowIfFailed(ReadRecord(present, info, stats_->Monarch())); });
}
HRESULT CharacterStatsObject::get_Patron(VARIANT_BOOL* present, DecalAllegianceInfo* info) {
  return Guarded([&] { ThrowIfFailed(ReadRecord(present, info, stats_->Patron())); });
}
HRESULT CharacterStatsObject::get_Self(VARIANT_BOOL* present, DecalAllegianceInfo* info) {
  return Guarded([&] { ThrowIfFailed(ReadRecord(present, info, stats_->Self())); });
}

HRESULT CharacterStatsObject::get_Vassal(LONG index, DecalAllegianceInfo* info) {
  if (!info) return E_POINTER;
  *info = DecalAllegianceInfo{};
  return Guarded([&] { *info = ToInfo(stats_->Vassal(index)); });
}

}  // namespace ostravel::com::simhost
