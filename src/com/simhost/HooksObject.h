#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/simhost/HostCounters.h"
#include "host/Hooks.h"

namespace ostravel::com::simhost {

// The host's hooks: chat output, the chat parser, selection and location, and the interception
// of every line the player enters.
class HooksObject final : public ComObject<IDecalHooks>, protected Counted {
 public:
  HooksObject(std::shared_ptr<host::Hooks> hooks, std::shared_ptr<HostCounters> counters);

  STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override { return sinks_.Advise(sink, cookie); }
  STDMETHOD(Unadvise)(DWORD cookie) override { return sinks_.Unadvise(cookie); }
  STDMETHOD(ChatOut)(BSTR text, LONG color, LONG window) override;
  STDMETHOD(ChatText)(BSTR text, LONG color, LONG window) override;
  STDMETHOD(InvokeChatParser)(BSTR line) override;
  STDMETHOD(get_CurrentSelection)(LONG* id) override;
  STDMETHOD(get_Location)(LONG* location) override;
  STDMETHOD(TypeText)(BSTR text, LONG flag) override;

 private:
  void Intercept(const std::string& line, bool& eat);

  std::shared_ptr<host::Hooks> hooks_;
  EventSource<IDecalHooksEvents> sinks_;
  host::Connection intercept_;
};

}  // namespace ostravel::com::simhost
