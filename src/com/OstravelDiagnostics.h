#pragma once

#include <unknwn.h>

// What the plug-in object tells its own tools (the Windows workbench, tests and benchmarks)
// about its inner state; hosts do not use it. OstravelMain answers it to QueryInterface.
// {772AEBD0-5611-4A73-A304-54675642D802}
struct IOstravelDiagnostics : public IUnknown {
  // HTTP requests started and not yet answered or aborted.
  STDMETHOD(get_RequestsInFlight)(LONG* count) = 0;
  // How often the user-interface thread has been woken for the plug-in's loop so far.
  STDMETHOD(get_LoopWakeUps)(LONG* count) = 0;
};
__CRT_UUID_DECL(IOstravelDiagnostics, 0x772AEBD0, 0x5611, 0x4A73, 0xA3, 0x04, 0x54, 0x67, 0x56,
                0x42, 0xD8, 0x02)
