#include "com/plugin/ComFilters.h"

#include "com/plugin/ComMessage.h"

namespace ostravel::com {
namespace {

// The record, taking over (and freeing) its name.
host::AllegianceInfo TakeRecord(DecalAllegianceInfo& info) {
  Bstr name;
  *name.Put() = std::exchange(info.name, nullptr);
  return host::AllegianceInfo{.guid = info.guid,
                              .gender = info.gender,
                              .leadership = info.leadership,
                              .loyalty = info.loyalty,
                              .name = name.Utf8(),
                              .race = info.race,
                              .rank = info.rank,
                              .tree_parent = info.treeParent,
                              .xp = info.xp};
}

}  // namespace

class EchoSink final : public Sink<ComEchoFilter2, IDecalEchoFilter2Events> {
 public:
  explicit EchoSink(ComEchoFilter2* owner) : Sink(owner) {}
  STDMETHOD(EchoServer)(IDecalMessage* pMsg) override {
    if (!pMsg) return E_POINTER;
    return Forward([&](ComEchoFilter2& owner) {
      const ComMessage message{ComPtr<IDecalMessage>(pMsg)};
      owner.EchoServer.Emit(message);
    });
  }
};

class CharacterStatsSink final : public Sink<ComCharacterStats, IDecalCharacterStatsEvents> {
 public:
  explicit CharacterStatsSink(ComCharacterStats* owner) : Sink(owner) {}
  STDMETHOD(LoginComplete)() override {
    return Forward([](ComCharacterStats& owner) { owner.LoginComplete.Emit(); });
  }
  STDMETHOD(Logoff)(LONG pType) override {
    return Forward([&](ComCharacterStats& owner) { owner.Logoff.Emit(pType); });
  }
};

std::shared_ptr<host::HostObject> MakeService(const ComPtr<IUnknown>& service) {
  if (!service) {
    throw Error(error_number::kObjectNotSet, "Object variable or With block variable not set");
  }
  if (ComPtr<IDecalEchoFilter2> echo; SUCCEEDED(service.As(&echo))) {
    return std::make_shared<ComEchoFilter2>(std::move(echo));
  }
  if (ComPtr<IDecalWorld> world; SUCCEEDED(service.As(&world))) {
    return std::make_shared<ComWorld>(std::move(world));
  }
  if (ComPtr<IDecalCharacterStats> stats; SUCCEEDED(service.As(&stats))) {
    return std::make_shared<ComCharacterStats>(std::move(stats));
  }
  return std::make_shared<host::HostObject>();
}

ComEchoFilter2::ComEchoFilter2(ComPtr<IDecalEchoFilter2> filter)
    : filter_(std::move(filter)), events_(AdviseSink<EchoSink>(filter_, this)) {}
ComEchoFilter2::~ComEchoFilter2() = default;

ComWorld::ComWorld(ComPtr<IDecalWorld> world) : world_(std::move(world)) {}

std::optional<std::string> ComWorld::ObjectName(std::int32_t id) const {
  VARIANT_BOOL found = VARIANT_FALSE;
  Bstr name;
  ThrowIfFailed(world_->ObjectName(id, &found, name.Put()));
  if (!FromVariantBool(found)) return std::nullopt;
  return name.Utf8();
}

ComCharacterStats::ComCharacterStats(ComPtr<IDecalCharacterStats> stats)
    : stats_(std::move(stats)), events_(AdviseSink<CharacterStatsSink>(stats_, this)) {}
ComCharacterStats::~ComCharacterStats() = default;

std::int32_t ComCharacterStats::Long(LongGetter get) const {
  LONG value = 0;
  ThrowIfFailed((stats_.Get()->*get)(&value));
  return value;
}

std::string ComCharacterStats::Text(TextGetter get) const {
  Bstr value;
  ThrowIfFailed((stats_.Get()->*get)(value.Put()));
  return value.Utf8();
}

std::optional<host::AllegianceInfo> ComCharacterStats::Record(RecordGetter get) const {
  VARIANT_BOOL present = VARIANT_FALSE;
  DecalAllegianceInfo info{};
  const HRESULT hr = (stats_.Get()->*get)(&present, &info);
  auto record = TakeRecord(info);  // frees the name whatever the answer
  ThrowIfFailed(hr);
  if (!FromVariantBool(present)) return std::nullopt;
  return record;
}

std::int32_t ComCharacterStats::CharacterId() const {
  return Long(&IDecalCharacterStats::get_CharacterId);
}
std::string ComCharacterStats::Name() const {
  return Text(&IDecalCharacterStats::get_Name);
}
std::string ComCharacterStats::Server() const {
  return Text(&IDecalCharacterStats::get_Server);
}
std::int32_t ComCharacterStats::ServerPopulation() const {
  return Long(&IDecalCharacterStats::get_ServerPopulation);
}
std::int32_t ComCharacterStats::Birth() const {
  return Long(&IDecalCharacterStats::get_Birth);
}
std::int32_t ComCharacterStats::Age() const {
  return Long(&IDecalCharacterStats::get_Age);
}
std::int32_t ComCharacterStats::Deaths() const {
  return Long(&IDecalCharacterStats::get_Deaths);
}
std::string ComCharacterStats::ClassTemplate() const {
  return Text(&IDecalCharacterStats::get_ClassTemplate);
}
std::string ComCharacterStats::Gender() const {
  return Text(&IDecalCharacterStats::get_Gender);
}
std::string ComCharacterStats::Race() const {
  return Text(&IDecalCharacterStats::get_Race);
}
std::int32_t ComCharacterStats::Level() const {
  return Long(&IDecalCharacterStats::get_Level);
}
std::int32_t ComCharacterStats::Rank() const {
  return Long(&IDecalCharacterStats::get_Rank);
}
std::int32_t ComCharacterStats::SkillPoints() const {
  return Long(&IDecalCharacterStats::get_SkillPoints);
}
std::int32_t ComCharacterStats::Followers() const {
  return Long(&IDecalCharacterStats::get_Followers);
}
std::int32_t ComCharacterStats::VassalCount() const {
  return Long(&IDecalCharacterStats::get_VassalCount);
}
std::int32_t ComCharacterStats::SkillCount() const {
  return Long(&IDecalCharacterStats::get_SkillCount);
}

host::AttributeInfo ComCharacterStats::Attribute(std::int32_t number) const {
  LONG start = 0;
  LONG current = 0;
  ThrowIfFailed(stats_->get_Attribute(number, &start, &current));
  return {.start = start, .current = current};
}

std::int32_t ComCharacterStats::Vital(std::int32_t number) const {
  LONG value = 0;
  ThrowIfFailed(stats_->get_Vital(number, &value));
  return value;
}

host::SkillInfo ComCharacterStats::Skill(std::int32_t number) const {
  Bstr name;
  LONG state = 0;
  LONG value = 0;
  ThrowIfFailed(stats_->get_Skill(number, name.Put(), &state, &value));
  return {.name = name.Utf8(), .state = state, .value = value};
}

std::optional<host::AllegianceInfo> ComCharacterStats::Monarch() const {
  return Record(&IDecalCharacterStats::get_Monarch);
}
std::optional<host::AllegianceInfo> ComCharacterStats::Patron() const {
  return Record(&IDecalCharacterStats::get_Patron);
}
std::optional<host::AllegianceInfo> ComCharacterStats::Self() const {
  return Record(&IDecalCharacterStats::get_Self);
}

host::AllegianceInfo ComCharacterStats::Vassal(std::int32_t index) const {
  DecalAllegianceInfo info{};
  const HRESULT hr = stats_->get_Vassal(index, &info);
  auto record = TakeRecord(info);
  ThrowIfFailed(hr);
  return record;
}

}  // namespace ostravel::com
