#pragma once

#include <memory>

#include "com/ComSupport.h"
#include "com/OstravelDiagnostics.h"

namespace ostravel {
class OstravelMain;
namespace platform {
class Clock;
class CodePage;
class EventLoop;
class HttpClient;
}  // namespace platform
}  // namespace ostravel

namespace ostravel::com {

// The COM class OstravelMain that the host creates: it makes the plug-in's environment on the
// host's thread at Initialize and takes all of it down again at Terminate, after which no
// callback of the plug-in runs.
class OstravelMainObject final : public ComObject<IPlugin2, IOstravelDiagnostics> {
 public:
  OstravelMainObject();

  STDMETHOD(Initialize)(IDecalPluginSite* site) override;
  STDMETHOD(Terminate)() override;

  STDMETHOD(get_RequestsInFlight)(LONG* count) override;
  STDMETHOD(get_LoopWakeUps)(LONG* count) override;

 private:
  ~OstravelMainObject() override;
  void Start(IDecalPluginSite* site);
  void Stop() noexcept;

  // In the order they are made; taken down in the reverse order.
  std::unique_ptr<platform::EventLoop> loop_;
  std::unique_ptr<platform::CodePage> code_page_;
  std::unique_ptr<platform::Clock> clock_;
  std::unique_ptr<platform::HttpClient> http_;
  std::unique_ptr<OstravelMain> plugin_;
};

}  // namespace ostravel::com
