#include "com/simhost/ComSimHost.h"

#include "com/simhost/SiteObject.h"
#include "sim/SimHost.h"

namespace ostravel::com::simhost {

ComSimHost::ComSimHost(sim::SimHost& host)
    : counters_(std::make_shared<HostCounters>()),
      site_(MakeComObject<SiteObject>(host.Site(), counters_)) {}

ComSimHost::~ComSimHost() = default;

}  // namespace ostravel::com::simhost
