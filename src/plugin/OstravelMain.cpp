#include "plugin/OstravelMain.h"

#include "common/Error.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "common/ViewSchema.h"
#include "plugin/ChatCommands.h"
#include "plugin/host/ServicePaths.h"
#include "web/CharPostStrings.h"
#include "web/WebRequest.h"

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
  step([&] {
    ACHooks = Require(Site).GetHooks();
    ConnectHooks();
  });
  step([&] { Echo2 = FilterAt<host::EchoFilter2>(Require(Site), host::kEchoFilter2Path); });
  step([&] { World = FilterAt<host::World>(Require(Site), host::kWorldPath); });
  step([&] {
    Filter = FilterAt<host::CharacterStats>(Require(Site), host::kCharacterStatsPath);
    ConnectFilter();
  });
  step([&] {
    ctx_.World = World;
    ctx_.CharacterStats = Filter;
    ctx_.ACHooks = ACHooks;
    ctx_.PluginSite = PluginSite;
  });
  step([&] {
    WebRequest = std::make_unique<ostravel::WebRequest>(ctx_);
    request_response_ =
        WebRequest->Response.Connect([this](const std::string& text, const std::string& callback) {
          WebRequest_Response(text, callback);
        });
    commands_ = std::make_unique<ChatCommands>(
        ctx_, *WebRequest,
        ChatCommands::Targets{.update_character = [] {},
                              .irc_chat_text = [](const std::string&) { return false; }});
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
  step([&] {
    hooks_intercept_.Disconnect();
    ACHooks.reset();
  });
  step([&] {
    ctx_.World.reset();
    World.reset();
  });
  step([&] {
    ctx_.CharacterStats.reset();
    filter_login_.Disconnect();
    Filter.reset();
  });
  step([&] { Echo2.reset(); });
  step([&] {
    commands_.reset();
    request_response_.Disconnect();
    WebRequest.reset();
  });
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

void OstravelMain::ConnectHooks() {
  hooks_intercept_ =
      ACHooks->ChatParserIntercept.Connect([this](const std::string& text, bool& eat) {
        if (commands_) commands_->ACHooks_ChatParserIntercept(text, eat);
      });
}

void OstravelMain::ConnectFilter() {
  filter_login_ = Filter->LoginComplete.Connect([this] { Filter_LoginComplete(); });
}

void OstravelMain::Filter_LoginComplete() {
  ErrorHandler step{ctx_, kModule, "Filter_LoginComplete"};
  step([&] { ctx_.CharacterID = Require(ctx_.CharacterStats).CharacterId(); });
  step([&] { ctx_.CharacterName = Require(ctx_.CharacterStats).Name(); });
  step([&] { ctx_.UpdateTicks = 29; });
  step([&] {
    Require(WebRequest)
        .Post(ServerURL(ctx_) + "message.php", StdPostString(ctx_) + "&args=motd", "Print");
  });
  step([&] {
    PrintChat(ctx_,
              "Ostravel " + VersionString() + " initialized - Server Population: " +
                  std::to_string(Require(ctx_.CharacterStats).ServerPopulation()),
              kChatColor, true);
  });
  step([&] { ctx_.LoggedIn = true; });
}

void OstravelMain::WebRequest_Response(const std::string& Response, const std::string& Callback) {
  ErrorHandler{ctx_, kModule, "WebRequest_Response"}([&] {
    if (Callback == "Print") {
      PrintChat(ctx_, Response, kChatColor, true);
    } else if (Callback == "PrintAndRefreshQuests") {
      PrintChat(ctx_, Response, kChatColor, true);
    }
  });
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
