#include "com/simhost/ComSimHost.h"

#include "com/simhost/ClipboardWatch.h"
#include "com/simhost/SiteObject.h"
#include "sim/SimHost.h"

namespace ostravel::com::simhost {

ComSimHost::ComSimHost(sim::SimHost& host)
    : counters_(std::make_shared<HostCounters>()),
      site_(MakeComObject<SiteObject>(host.Site(), counters_)) {
  // What the plug-in copies reaches the host's clipboard effect, as the Linux build's does.
  counters_->notice_clipboard = [watch = std::make_shared<ClipboardWatch>(), hooks = host.Hooks()] {
    if (auto text = watch->Changed()) hooks->SetClipboardText(*text);
  };
}

ComSimHost::~ComSimHost() = default;

}  // namespace ostravel::com::simhost
