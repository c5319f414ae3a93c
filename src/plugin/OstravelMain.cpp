#include "plugin/OstravelMain.h"

#include "common/Error.h"
#include "common/ErrorHandler.h"
#include "common/ViewSchema.h"
#include "plugin/host/ServicePaths.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "OstravelMain";

// The filter at `path`, as the kind the caller expects.
template <class Filter>
std::shared_ptr<Filter> FilterAt(host::PluginSite& site, const char* path) {
  auto filter = std::dynamic_pointer_cast<Filter>(site.ObjectByPath(path));
  if (!filter) throw Error(error_number::kTypeMismatch, "Type mismatch");
  return filter;
}

}  // namespace

OstravelMain::OstravelMain(Environment environment) : ctx_(std::move(environment)) {}

OstravelMain::~OstravelMain() = default;

void OstravelMain::IPlugin2_Initialize(std::shared_ptr<host::PluginSite> site) {
  // Each step reports its own failure and the next one still runs, so a missing filter or a
  // refused view leaves the rest of the plug-in working.
  ErrorHandler step{ctx_, kModule, "Iplugin2_Initialize"};
  step([&] {
    ctx_.LoggedIn = false;
    Site = std::move(site);
  });
  step([&] { PluginSite = Require(Site).GetPluginSite2(); });
  step([&] { ACHooks = Require(Site).GetHooks(); });
  step([&] { Echo2 = FilterAt<host::EchoFilter2>(Require(Site), host::kEchoFilter2Path); });
  step([&] { World = FilterAt<host::World>(Require(Site), host::kWorldPath); });
  step([&] { Filter = FilterAt<host::CharacterStats>(Require(Site), host::kCharacterStatsPath); });
  step([&] {
    ctx_.World = World;
    ctx_.CharacterStats = Filter;
    ctx_.ACHooks = ACHooks;
    ctx_.PluginSite = PluginSite;
  });
  step([&] {
    MainView = Require(PluginSite).LoadView(ViewSchema());
    ConnectView();
  });
  step([&] { ctx_.MainView = MainView; });
  step([&] { nbMain = host::GetControl<host::Notebook>(Require(MainView), "nbMain"); });
  InitMonarch();
  InitPatron();
}

void OstravelMain::IPlugin2_Terminate() {
  ErrorHandler step{ctx_, kModule, "IPlugin2_Terminate"};
  step([&] { ACHooks.reset(); });
  step([&] {
    ctx_.World.reset();
    World.reset();
  });
  step([&] {
    ctx_.CharacterStats.reset();
    Filter.reset();
  });
  step([&] { Echo2.reset(); });
  step([&] {
    PluginSite.reset();
    Site.reset();
  });
  step([&] {
    ctx_.MainView.reset();
    view_activate_.Disconnect();
    view_deactivate_.Disconnect();
    view_size_.Disconnect();
    MainView.reset();
  });
  step([&] { nbMain.reset(); });
}

void OstravelMain::ConnectView() {
  auto& view = *MainView;
  view_activate_ = view.Activate.Connect([this] { MainView_Activate(); });
  view_deactivate_ = view.Deactivate.Connect([this] { MainView_Deactivate(); });
  view_size_ = view.Size.Connect([this](bool& answer) { answer = MainView_Size(); });
}

void OstravelMain::InitMonarch() {
  ErrorHandler{ctx_, kModule, "InitMonarch()"}([&] { ctx_.Monarch = AllegianceRecord{}; });
}

void OstravelMain::InitPatron() {
  ErrorHandler{ctx_, kModule, "InitPatron()"}([&] { ctx_.Patron = AllegianceRecord{}; });
}

}  // namespace ostravel
