#include "com/simhost/SiteObject.h"

#include <utility>

#include "com/simhost/FilterObjects.h"
#include "com/simhost/Guarded.h"
#include "com/simhost/HooksObject.h"
#include "com/simhost/TimerObject.h"
#include "com/simhost/ViewObject.h"
#include "base/Error.h"

namespace ostravel::com::simhost {
namespace {

// The COM object for a service of the host, of the interface its kind answers.
ComPtr<IUnknown> MakeServiceObject(const std::shared_ptr<host::HostObject>& service,
                                   const std::shared_ptr<HostCounters>& counters) {
  ComPtr<IUnknown> made;
  if (auto echo = std::dynamic_pointer_cast<host::EchoFilter2>(service)) {
    made = MakeComObject<EchoFilterObject>(std::move(echo), counters);
  } else if (auto world = std::dynamic_pointer_cast<host::World>(service)) {
    made = MakeComObject<WorldObject>(std::move(world), counters);
  } else if (auto stats = std::dynamic_pointer_cast<host::CharacterStats>(service)) {
    made = MakeComObject<CharacterStatsObject>(std::move(stats), counters);
  } else {
    throw Error(error_number::kTypeMismatch, "Type mismatch");
  }
  return made;
}

}  // namespace

SiteObject::SiteObject(std::shared_ptr<host::PluginSite> site,
                       std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), site_(std::move(site)), site2_(site_->GetPluginSite2()) {}

HRESULT SiteObject::GetPluginSite2(IDecalPluginSite2** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  return Guarded([&] {
    ComPtr<IDecalPluginSite2> second(this);
    *site = second.Detach();
  });
}

HRESULT SiteObject::GetHooks(IDecalHooks** hooks) {
  if (!hooks) return E_POINTER;
  *hooks = nullptr;
  return Guarded(
      [&] { *hooks = MakeComObject<HooksObject>(site_->GetHooks(), Counters()).Detach(); });
}

HRESULT SiteObject::ObjectByPath(BSTR path, IUnknown** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return Guarded(
      [&] { *object = MakeServiceObject(site_->ObjectByPath(ToUtf8(path)), Counters()).Detach(); });
}

HRESULT SiteObject::LoadView(BSTR xml, IDecalView** view) {
  if (!view) return E_POINTER;
  *view = nullptr;
  return Guarded([&] {
    auto text = ToUtf8(xml);
    auto loaded = MakeComObject<ViewObject>(site2_->LoadView(text), Counters());
    ++Counters()->views_loaded;
    Counters()->last_view_xml = std::move(text);
    *view = loaded.Detach();
  });
}

HRESULT SiteObject::CreateTimer(IDecalTimer** timer) {
  if (!timer) return E_POINTER;
  *timer = nullptr;
  return Guarded(
      [&] { *timer = MakeComObject<TimerObject>(site2_->CreateTimer(), Counters()).Detach(); });
}

}  // namespace ostravel::com::simhost
