#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/Filters.h"

namespace ostravel::com::simhost {

// The EchoFilter2 network filter: raises EchoServer for every message from the game server.
class EchoFilterObject final : public ComObject<IDecalEchoFilter2>, protected Counted {
 public:
  EchoFilterObject(std::shared_ptr<host::EchoFilter2> filter,
                   std::shared_ptr<HostCounters> counters);

  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }

 private:
  void EchoServer(const host::Message& message);

  std::shared_ptr<host::EchoFilter2> filter_;
  EventSource<IDecalEchoFilter2Events> sinks_;
  host::Connection echo_;
};

// The World filter.
class WorldObject final : public ComObject<IDecalWorld>, protected Counted {
 public:
  WorldObject(std::shared_ptr<host::World> world, std::shared_ptr<HostCounters> counters);

  STDMETHOD(ObjectName)(LONG id, VARIANT_BOOL* found, BSTR* name) override;

 private:
  std::shared_ptr<host::World> world_;
};

// The CharacterStats filter, with the LoginComplete and Logoff events.
class CharacterStatsObject final : public ComObject<IDecalCharacterStats>, protected Counted {
 public:
  CharacterStatsObject(std::shared_ptr<host::CharacterStats> stats,
                       std::shared_ptr<HostCounters> counters);

  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }
  STDMETHOD(get_CharacterId)(LONG* value) override;
  STDMETHOD(get_Name)(BSTR* value) override;
  STDMETHOD(get_Server)(BSTR* value) override;
  STDMETHOD(get_ServerPopulation)(LONG* value) override;
  STDMETHOD(get_Birth)(LONG* value) override;
  STDMETHOD(get_Age)(LONG* value) override;
  STDMETHOD(get_Deaths)(LONG* value) override;
  STDMETHOD(get_ClassTemplate)(BSTR* value) override;
  STDMETHOD(get_Gender)(BSTR* value) override;
  STDMETHOD(get_Race)(BSTR* value) override;
  STDMETHOD(get_Level)(LONG* value) override;
  STDMETHOD(get_Rank)(LONG* value) override;
  STDMETHOD(get_SkillPoints)(LONG* value) override;
  STDMETHOD(get_Followers)(LONG* value) override;
  STDMETHOD(get_VassalCount)(LONG* value) override;
  STDMETHOD(get_SkillCount)(LONG* value) override;
  STDMETHOD(get_Attribute)(LONG number, LONG* start, LONG* current) override;
  STDMETHOD(get_Vital)(LONG number, LONG* value) override;
  STDMETHOD(get_Skill)(LONG number, BSTR* name, LONG* state, LONG* value) override;
  STDMETHOD(get_Monarch)(VARIANT_BOOL* present, DecalAllegianceInfo* info) override;
  STDMETHOD(get_Patron)(VARIANT_BOOL* present, DecalAllegianceInfo* info) override;
  STDMETHOD(get_Self)(VARIANT_BOOL* present, DecalAllegianceInfo* info) override;
  STDMETHOD(get_Vassal)(LONG index, DecalAllegianceInfo* info) override;

 private:
  template <class Call>
  void Raise(Call&& call);

  std::shared_ptr<host::CharacterStats> stats_;
  EventSource<IDecalCharacterStatsEvents> sinks_;
  host::Connection login_;
  host::Connection logoff_;
};

}  // namespace ostravel::com::simhost
