#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/PluginSite.h"

namespace ostravel::com::simhost {

// The plug-in site and its second interface in one object, over the host's site. Every call
// hands out a new COM object over the host's own, so nothing the plug-in is given is kept
// here: once the plug-in has released what it took, only this object is left.
class SiteObject final : public ComObject<IDecalPluginSite, IDecalPluginSite2>, protected Counted {
 public:
  SiteObject(std::shared_ptr<host::PluginSite> site, std::shared_ptr<HostCounters> counters);

  STDMETHOD(GetPluginSite2)(IDecalPluginSite2** site) override;
  STDMETHOD(GetHooks)(IDecalHooks** hooks) override;
  STDMETHOD(ObjectByPath)(BSTR path, IUnknown** object) override;
  STDMETHOD(LoadView)(BSTR xml, IDecalView** view) override;
  STDMETHOD(CreateTimer)(IDecalTimer** timer) override;

 private:
  std::shared_ptr<host::PluginSite> site_;
  std::shared_ptr<host::PluginSite2> site2_;
};

}  // namespace ostravel::com::simhost
