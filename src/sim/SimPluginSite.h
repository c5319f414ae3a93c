#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginSite.h"
#include "sim/SimTimer.h"

namespace ostravel::platform {
class EventLoop;
}

namespace ostravel::sim {

class SimHooks;
class SimView;

// The plug-in site and its second interface in one object: hands out the hooks and the
// services, loads views and makes timers on the loop.
class SimPluginSite final : public host::PluginSite,
                            public host::PluginSite2,
                            public std::enable_shared_from_this<SimPluginSite> {
 public:
  SimPluginSite(platform::EventLoop& loop, std::shared_ptr<SimHooks> hooks);

  std::shared_ptr<host::PluginSite2> GetPluginSite2() override;
  std::shared_ptr<host::Hooks> GetHooks() override;
  // Throws Error for a path that has no service.
  std::shared_ptr<host::HostObject> ObjectByPath(const std::string& path) override;
  // Throws Error for refused XML, or for any XML while view loading is refused.
  std::shared_ptr<host::View> LoadView(const std::string& xml) override;
  std::unique_ptr<host::Timer> CreateTimer() override;

  // Puts a service at a path (replacing what was there) or takes it away.
  void AddService(const std::string& path, std::shared_ptr<host::HostObject> service);
  void RemoveService(const std::string& path);
  void RefuseViewLoad(bool refuse) { refuse_view_load_ = refuse; }
  // The view loaded last, or nullptr.
  std::shared_ptr<SimView> LastView() const { return last_view_; }

  // Ticks every running timer of that interval; returns how many ticked.
  int FireTimers(std::int32_t interval_ms);
  std::vector<std::int32_t> RunningTimerIntervals() const;

 private:
  // The timers that still exist, in the order they were made.
  std::vector<std::shared_ptr<SimTimer* const>> LiveTimers() const;

  platform::EventLoop& loop_;
  std::shared_ptr<SimHooks> hooks_;
  std::map<std::string, std::shared_ptr<host::HostObject>> services_;
  bool refuse_view_load_ = false;
  std::shared_ptr<SimView> last_view_;
  // Handles only: the plug-in owns its timers, and a destroyed one simply drops out.
  mutable std::vector<SimTimer::Handle> timers_;
};

}  // namespace ostravel::sim
