#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"

namespace ostravel::sim {
class SimHost;
}

namespace ostravel::com::simhost {

// A simulated host offered through the declared COM interfaces: the site to hand to
// IPlugin2::Initialize, over the host's own objects. Acting on the simulated host (typing a
// line, a login, a tick) raises the events to whatever the plug-in advised, on this thread.
class ComSimHost {
 public:
  explicit ComSimHost(sim::SimHost& host);
  ~ComSimHost();
  ComSimHost(const ComSimHost&) = delete;
  ComSimHost& operator=(const ComSimHost&) = delete;

  IDecalPluginSite* Site() const { return site_.Get(); }
  // The host's COM objects still alive (the site itself is one) and the events delivered.
  const HostCounters& Counters() const { return *counters_; }

 private:
  std::shared_ptr<HostCounters> counters_;
  ComPtr<IDecalPluginSite> site_;
};

}  // namespace ostravel::com::simhost
