#pragma once

#include <memory>
#include <string>

#include "host/HostObject.h"
#include "host/Hooks.h"
#include "host/Timer.h"
#include "host/View.h"

namespace ostravel::host {

// The plug-in site interface that loads views and makes timers.
class PluginSite2 {
 public:
  virtual ~PluginSite2() = default;
  // Builds a view from its XML text; throws Error when the text is refused.
  virtual std::shared_ptr<View> LoadView(const std::string& xml) = 0;
  virtual std::unique_ptr<Timer> CreateTimer() = 0;
};

// The site the host hands to the plug-in when it starts it. Each operation throws Error when
// the host cannot give what was asked for.
class PluginSite {
 public:
  virtual ~PluginSite() = default;
  virtual std::shared_ptr<PluginSite2> GetPluginSite2() = 0;
  virtual std::shared_ptr<Hooks> GetHooks() = 0;
  // The running service object at a path such as
  // "services\DecalNet.NetService\DecalFilters.World".
  virtual std::shared_ptr<HostObject> ObjectByPath(const std::string& path) = 0;
};

}  // namespace ostravel::host
