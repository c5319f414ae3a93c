#include "sim/SimPluginSite.h"

#include <utility>

#include "platform/EventLoop.h"
#include "sim/SimErrors.h"
#include "sim/SimHooks.h"
#include "sim/SimView.h"

namespace ostravel::sim {

SimPluginSite::SimPluginSite(platform::EventLoop& loop, std::shared_ptr<SimHooks> hooks)
    : loop_(loop), hooks_(std::move(hooks)) {}

std::shared_ptr<host::PluginSite2> SimPluginSite::GetPluginSite2() {
  return shared_from_this();
}

std::shared_ptr<host::Hooks> SimPluginSite::GetHooks() {
  return hooks_;
}

std::shared_ptr<host::HostObject> SimPluginSite::ObjectByPath(const std::string& path) {
  const auto found = services_.find(path);
  if (found == services_.end()) ThrowUnspecified("no service at \"" + path + "\"");
  return found->second;
}

std::shared_ptr<host::View> SimPluginSite::LoadView(const std::string& xml) {
  if (refuse_view_load_) ThrowUnspecified("the host refuses to load views");
  last_view_ = SimView::Load(xml);
  return last_view_;
}

std::unique_ptr<host::Timer> SimPluginSite::CreateTimer() {
  auto timer = std::make_unique<SimTimer>(loop_);
  std::erase_if(timers_, [](const SimTimer::Handle& handle) { return handle.expired(); });
  timers_.push_back(timer->GetHandle());
  return timer;
}

void SimPluginSite::AddService(const std::string& path, std::shared_ptr<host::HostObject> service) {
  services_.insert_or_assign(path, std::move(service));
}

void SimPluginSite::RemoveService(const std::string& path) {
  services_.erase(path);
}

int SimPluginSite::FireTimers(std::int32_t interval_ms) {
  int ticked = 0;
  // Every live timer is held first: a tick's handler may destroy other timers, which must
  // then be skipped rather than reached through a dangling pointer.
  for (const auto& alive : LiveTimers()) {
    SimTimer* timer = *alive;
    if (!timer || !timer->Running() || timer->Interval() != interval_ms) continue;
    timer->Tick();
    ++ticked;
  }
  return ticked;
}

std::vector<std::int32_t> SimPluginSite::RunningTimerIntervals() const {
  std::vector<std::int32_t> intervals;
  for (const auto& alive : LiveTimers()) {
    if ((*alive)->Running()) intervals.push_back((*alive)->Interval());
  }
  return intervals;
}

std::vector<std::shared_ptr<SimTimer* const>> SimPluginSite::LiveTimers() const {
  std::erase_if(timers_, [](const SimTimer::Handle& handle) { return !SimTimer::Resolve(handle); });
  std::vector<std::shared_ptr<SimTimer* const>> alive;
  for (const auto& handle : timers_) {
    if (auto timer = SimTimer::Resolve(handle)) alive.push_back(std::move(timer));
  }
  return alive;
}

}  // namespace ostravel::sim
