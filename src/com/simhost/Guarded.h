#pragma once

#include <utility>

#include "com/ComSupport.h"

namespace ostravel::com::simhost {

// The body of a COM method: S_OK when `body` returns, else the exception as the HRESULT that
// carries it (its text in the thread's error object). Out-parameters are written by `body`
// last, after everything that can fail.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
    return S_OK;
  } catch (...) {
    return ReportedHresult();
  }
}

}  // namespace ostravel::com::simhost
