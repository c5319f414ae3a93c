#pragma once

#include <atomic>

#include "com/ComSupport.h"

namespace ostravel::com {

// The server's locks (IClassFactory::LockServer); with LiveObjects() they decide whether the
// DLL may unload.
std::atomic<long>& ServerLocks() noexcept;

// Whether nothing of this module is in use: no live object, no lock.
bool CanUnload() noexcept;

// Makes OstravelMain objects for the host.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHOD(LockServer)(BOOL lock) override;
};

}  // namespace ostravel::com
