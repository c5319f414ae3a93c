#include "com/simhost/TimerObject.h"

#include <utility>

#include "com/simhost/Guarded.h"

namespace ostravel::com::simhost {

TimerObject::TimerObject(std::unique_ptr<host::Timer> timer, std::shared_ptr<HostCounters> counters)
    : Counted(std::move(counters)), timer_(std::move(timer)) {
  timeout_ = timer_->Timeout.Connect([this](host::Timer&) { Timeout(); });
}

void TimerObject::Timeout() {
  ComPtr<IDecalTimer> self(this);
  Deliver(sinks_, [&](IDecalTimerEvents* sink) { sink->Timeout(self.Get()); });
}

HRESULT TimerObject::Start(LONG intervalMs) {
  return Guarded([&] { timer_->Start(intervalMs); });
}

HRESULT TimerObject::Stop() {
  return Guarded([&] { timer_->Stop(); });
}

HRESULT TimerObject::get_Running(VARIANT_BOOL* running) {
  if (!running) return E_POINTER;
  return Guarded([&] { *running = ToVariantBool(timer_->Running()); });
}

}  // namespace ostravel::com::simhost
