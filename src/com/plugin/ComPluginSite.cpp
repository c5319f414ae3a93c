#include "com/plugin/ComPluginSite.h"

#include "com/plugin/ComFilters.h"
#include "com/plugin/ComHooks.h"
#include "com/plugin/ComTimer.h"
#include "com/plugin/ComView.h"

namespace ostravel::com {
namespace {

// Hosts answer S_OK with a null object where they have none; the plug-in reads that as a
// failure of the call, as it does a failed HRESULT.
template <class I>
ComPtr<I> NotNull(ComPtr<I> object) {
  if (!object) {
    throw Error(error_number::kObjectNotSet, "Object variable or With block variable not set");
  }
  return object;
}

}  // namespace

ComPluginSite::ComPluginSite(ComPtr<IDecalPluginSite> site) : site_(NotNull(std::move(site))) {}

std::shared_ptr<host::PluginSite2> ComPluginSite::GetPluginSite2() {
  ComPtr<IDecalPluginSite2> site;
  ThrowIfFailed(site_->GetPluginSite2(site.GetAddressOf()));
  return std::make_shared<ComPluginSite2>(NotNull(std::move(site)));
}

std::shared_ptr<host::Hooks> ComPluginSite::GetHooks() {
  ComPtr<IDecalHooks> hooks;
  ThrowIfFailed(site_->GetHooks(hooks.GetAddressOf()));
  return std::make_shared<ComHooks>(NotNull(std::move(hooks)));
}

std::shared_ptr<host::HostObject> ComPluginSite::ObjectByPath(const std::string& path) {
  Bstr bstr(path);
  ComPtr<IUnknown> service;
  ThrowIfFailed(site_->ObjectByPath(bstr.Get(), service.GetAddressOf()));
  return MakeService(service);
}

ComPluginSite2::ComPluginSite2(ComPtr<IDecalPluginSite2> site) : site_(std::move(site)) {}

std::shared_ptr<host::View> ComPluginSite2::LoadView(const std::string& xml) {
  Bstr bstr(xml);
  ComPtr<IDecalView> view;
  ThrowIfFailed(site_->LoadView(bstr.Get(), view.GetAddressOf()));
  return std::make_shared<ComView>(NotNull(std::move(view)));
}

std::unique_ptr<host::Timer> ComPluginSite2::CreateTimer() {
  ComPtr<IDecalTimer> timer;
  ThrowIfFailed(site_->CreateTimer(timer.GetAddressOf()));
  return std::make_unique<ComTimer>(NotNull(std::move(timer)));
}

}  // namespace ostravel::com
