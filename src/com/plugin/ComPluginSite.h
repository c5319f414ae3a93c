#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "host/PluginSite.h"

namespace ostravel::com {

// The site the host hands to IPlugin2::Initialize, through IDecalPluginSite.
class ComPluginSite final : public host::PluginSite {
 public:
  explicit ComPluginSite(ComPtr<IDecalPluginSite> site);

  std::shared_ptr<host::PluginSite2> GetPluginSite2() override;
  std::shared_ptr<host::Hooks> GetHooks() override;
  // The service as the filter kind it answers to QueryInterface.
  std::shared_ptr<host::HostObject> ObjectByPath(const std::string& path) override;

 private:
  ComPtr<IDecalPluginSite> site_;
};

// The second site interface: view loading and timers, through IDecalPluginSite2.
class ComPluginSite2 final : public host::PluginSite2 {
 public:
  explicit ComPluginSite2(ComPtr<IDecalPluginSite2> site);

  std::shared_ptr<host::View> LoadView(const std::string& xml) override;
  std::unique_ptr<host::Timer> CreateTimer() override;

 private:
  ComPtr<IDecalPluginSite2> site_;
};

}  // namespace ostravel::com
