#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/Timer.h"

namespace ostravel::com::simhost {

// A host timer made for the plug-in. It owns the host's timer, so the last Release stops it:
// no Timeout arrives afterwards.
class TimerObject final : public ComObject<IDecalTimer>, protected Counted {
 public:
  TimerObject(std::unique_ptr<host::Timer> timer, std::shared_ptr<HostCounters> counters);

  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }
  STDMETHOD(Start)(LONG intervalMs) override;
  STDMETHOD(Stop)() override;
  STDMETHOD(get_Running)(VARIANT_BOOL* running) override;

 private:
  void Timeout();

  std::unique_ptr<host::Timer> timer_;
  EventSource<IDecalTimerEvents> sinks_;
  host::Connection timeout_;
};

}  // namespace ostravel::com::simhost
