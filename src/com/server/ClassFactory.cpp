#include "com/server/ClassFactory.h"

#include "com/plugin/OstravelMainObject.h"

namespace ostravel::com {

std::atomic<long>& ServerLocks() noexcept {
  static std::atomic<long> locks{0};
  return locks;
}

bool CanUnload() noexcept {
  return LiveObjects() == 0 && ServerLocks() == 0;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  try {
    auto object = MakeComObject<OstravelMainObject>();
    return object->QueryInterface(iid, out);
  } catch (...) {
    return ReportedHresult();
  }
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    ++ServerLocks();
  } else if (ServerLocks().fetch_sub(1) <= 0) {
    // More unlocks than locks: keep the count from going below zero.
    ++ServerLocks();
    return E_UNEXPECTED;
  }
  return S_OK;
}

}  // namespace ostravel::com
