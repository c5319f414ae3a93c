#include "com/plugin/OstravelMainObject.h"

#include "com/plugin/ComPluginSite.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "platform/ModuleFolder.h"
#include "plugin/OstravelMain.h"

namespace ostravel::com {
namespace {

// The system's code page, or Windows-1252 should the system's be one the plug-in cannot use:
// the log needs some code page to report anything at all.
std::unique_ptr<platform::CodePage> OpenCodePage() {
  try {
    return platform::CodePage::Open(platform::SystemCodePageNumber());
  } catch (const Error&) {
    return platform::CodePage::Open(1252);
  }
}

}  // namespace

OstravelMainObject::OstravelMainObject() = default;

OstravelMainObject::~OstravelMainObject() {
  // A host that releases the plug-in without stopping it still gets the orderly stop.
  Stop();
}

STDMETHODIMP OstravelMainObject::Initialize(IDecalPluginSite* site) {
  try {
    if (plugin_) throw Error(error_number::kInvalidCall, "Invalid procedure call or argument");
    Start(site);
    return S_OK;
  } catch (...) {
    const HRESULT hr = ReportedHresult();
    Stop();
    return hr;
  }
}

void OstravelMainObject::Start(IDecalPluginSite* site) {
  loop_ = std::make_unique<platform::EventLoop>();
  code_page_ = OpenCodePage();
  clock_ = platform::Clock::System();
  try {
    http_ = platform::HttpClient::Create(*loop_);
  } catch (const std::exception&) {
    // Without HTTP every post fails and is reported as such; the rest of the plug-in runs.
    http_.reset();
  }
  plugin_ = std::make_unique<OstravelMain>(Environment{.loop = *loop_,
                                                       .code_page = *code_page_,
                                                       .clock = *clock_,
                                                       .folder = platform::ModuleFolder(),
                                                       .http = http_.get()});
  // The plug-in reports a site it cannot use through its own error convention, step by step.
  std::shared_ptr<host::PluginSite> adapter;
  if (site) adapter = std::make_shared<ComPluginSite>(ComPtr<IDecalPluginSite>(site));
  plugin_->IPlugin2_Initialize(std::move(adapter));
}

STDMETHODIMP OstravelMainObject::Terminate() {
  try {
    if (plugin_) plugin_->IPlugin2_Terminate();
    Stop();
    return S_OK;
  } catch (...) {
    const HRESULT hr = ReportedHresult();
    Stop();
    return hr;
  }
}

void OstravelMainObject::Stop() noexcept {
  // The plug-in first (its pages still use the loop and the HTTP client as they go), then the
  // client, which drops what is in flight, then the loop, which drops queued work and its
  // window: after this nothing of the plug-in can run.
  plugin_.reset();
  http_.reset();
  clock_.reset();
  code_page_.reset();
  loop_.reset();
}

STDMETHODIMP OstravelMainObject::get_RequestsInFlight(LONG* count) {
  if (!count) return E_POINTER;
  *count = http_ ? static_cast<LONG>(http_->InFlight()) : 0;
  return S_OK;
}

STDMETHODIMP OstravelMainObject::get_LoopWakeUps(LONG* count) {
  if (!count) return E_POINTER;
  *count = loop_ ? static_cast<LONG>(loop_->WakeUpCount()) : 0;
  return S_OK;
}

}  // namespace ostravel::com
