#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/View.h"

namespace ostravel::com::simhost {

// A view the host loaded, with its Activate, Deactivate and Size events.
class ViewObject final : public ComObject<IDecalView>, protected Counted {
 public:
  ViewObject(std::shared_ptr<host::View> view, std::shared_ptr<HostCounters> counters);

  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }
  STDMETHOD(ControlByName)(BSTR name, IDecalControl** control) override;

 private:
  template <class Call>
  void Raise(Call&& call);

  std::shared_ptr<host::View> view_;
  EventSource<IDecalViewEvents> sinks_;
  host::Connection activate_;
  host::Connection deactivate_;
  host::Connection size_;
};

}  // namespace ostravel::com::simhost
