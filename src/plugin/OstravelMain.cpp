#include "plugin/OstravelMain.h"

#include "base/Error.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "common/ViewSchema.h"
#include "host/ServicePaths.h"
#include "irc/TabIRC.h"
#include "plugin/ChatCommands.h"
#include "tabs/TabChatHelper.h"
#include "tabs/TabGroups.h"
#include "tabs/TabMembers.h"
#include "tabs/TabMessages.h"
#include "tabs/TabQuests.h"
#include "tabs/TabUpdate.h"
#include "web/CharPostStrings.h"
#include "web/PostTimer.h"
#include "web/WebRequest.h"
#include "wire/FieldNames.h"

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

OstravelMain::~OstravelMain() {
  // A host that drops the plug-in without stopping it still gets the orderly stop, so that no
  // timer or request outlives the pages it would reach.
  if (Site || TabUpdate_) IPlugin2_Terminate();
}

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
  step([&] {
    Echo2 = FilterAt<host::EchoFilter2>(Require(Site), host::kEchoFilter2Path);
    messages_ = std::make_unique<GameMessages>(ctx_, static_cast<GameMessages::Listener&>(*this));
    echo_server_ = Echo2->EchoServer.Connect(
        [this](const host::Message& message) { messages_->Echo2_EchoServer(message); });
  });
  step([&] { World = FilterAt<host::World>(Require(Site), host::kWorldPath); });
  step([&] {
    Filter = FilterAt<host::CharacterStats>(Require(Site), host::kCharacterStatsPath);
    ConnectFilters();
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
        ChatCommands::Targets{
            .update_character = [this] { Require(TabUpdate_).Update(true); },
            .irc_chat_text =
                [this](const std::string& cmd) { return Require(TabIRC_).ChatText(cmd); }});
  });
  step([&] {
    MainView = Require(PluginSite).LoadView(ViewSchema());
    ConnectView();
  });
  step([&] { ctx_.MainView = MainView; });
  step([&] { nbMain = host::GetControl<host::Notebook>(Require(MainView), "nbMain"); });
  CreateTabs(step);
  InitMonarch();
  InitPatron();
}

void OstravelMain::CreateTabs(ErrorHandler& step) {
  step([&] { TabChatHelper_ = std::make_unique<TabChatHelper>(ctx_); });
  step([&] { TabMessages_ = std::make_unique<TabMessages>(ctx_); });
  step([&] { TabMembers_ = std::make_unique<TabMembers>(ctx_); });
  step([&] { TabGroups_ = std::make_unique<TabGroups>(ctx_); });
  step([&] { TabQuests_ = std::make_unique<TabQuests>(ctx_); });
  step([&] { TabIRC_ = std::make_unique<TabIRC>(ctx_); });
  step([&] { TabUpdate_ = std::make_unique<TabUpdate>(ctx_); });
  // The minute's tick drives the plug-in's own pages: no second set of page objects that would
  // answer every control event twice.
  step([&] {
    post_timer_ = std::make_unique<PostTimer>(
        ctx_, PostTimer::Pages{
                  .auto_update_checked = [this] { return Require(TabUpdate_).AutoUpdateChecked(); },
                  .update = [this] { Require(TabUpdate_).Update(false); },
                  .refresh_members = [this] { Require(TabMembers_).Refresh(); },
                  .refresh_groups = [this] { Require(TabGroups_).Refresh(); },
                  .message_trigger = [this] { Require(TabMessages_).MessageTrigger(); },
                  .refresh_quests = [this] { Require(TabQuests_).Refresh(); }});
  });
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
    filter_logoff_.Disconnect();
    Filter.reset();
  });
  step([&] {
    echo_server_.Disconnect();
    Echo2.reset();
  });
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
  ReleaseTabs(step);
}

void OstravelMain::ReleaseTabs(ErrorHandler& step) {
  // No tick may reach a page that is gone.
  step([&] { post_timer_.reset(); });
  step([&] { TabChatHelper_.reset(); });
  step([&] { TabMessages_.reset(); });
  step([&] { TabMembers_.reset(); });
  step([&] { TabGroups_.reset(); });
  step([&] { TabQuests_.reset(); });
  step([&] { TabIRC_.reset(); });
  step([&] { TabUpdate_.reset(); });
  step([&] { messages_.reset(); });
}

void OstravelMain::ConnectHooks() {
  hooks_intercept_ =
      ACHooks->ChatParserIntercept.Connect([this](const std::string& text, bool& eat) {
        if (commands_) commands_->ACHooks_ChatParserIntercept(text, eat);
      });
}

void OstravelMain::ConnectFilters() {
  filter_login_ = Filter->LoginComplete.Connect([this] { Filter_LoginComplete(); });
  filter_logoff_ = Filter->Logoff.Connect([this](std::int32_t type) { Filter_Logoff(type); });
}

void OstravelMain::ConnectView() {
  auto& view = *MainView;
  view_activate_ = view.Activate.Connect([this] { MainView_Activate(); });
  view_deactivate_ = view.Deactivate.Connect([this] { MainView_Deactivate(); });
  view_size_ = view.Size.Connect([this](bool& answer) { answer = MainView_Size(); });
}

void OstravelMain::Filter_LoginComplete() {
  ErrorHandler step{ctx_, kModule, "Filter_LoginComplete"};
  step([&] { ctx_.CharacterID = Require(ctx_.CharacterStats).CharacterId(); });
  step([&] { ctx_.CharacterName = Require(ctx_.CharacterStats).Name(); });
  step([&] { ctx_.UpdateTicks = 29; });
  step([&] { Require(TabUpdate_).LoadSettings(); });
  step([&] {
    Require(WebRequest)
        .Post(ServerURL(ctx_) + std::string(wire::script::kMessage), ArgsPostString(ctx_, "motd"),
              "Print");
  });
  step([&] {
    PrintChat(ctx_,
              "Ostravel " + VersionString() + " initialized - Server Population: " +
                  std::to_string(Require(ctx_.CharacterStats).ServerPopulation()),
              kChatColor, true);
  });
  step([&] { TellIfAddressNotSet(); });
  step([&] { ctx_.LoggedIn = true; });
  step([&] { Require(post_timer_).Enable(); });
}

void OstravelMain::TellIfAddressNotSet() {
  // Once a session: the file is read once, so the line would not change until a restart.
  if (told_address_not_set_ || !ServerAddressNotSet(ctx_)) return;
  told_address_not_set_ = true;
  const std::u8string folder = std::filesystem::path(ctx_.env.folder).make_preferred().u8string();
  PrintChat(ctx_,
            "Your allegiance's web service address is not set, so the lists stay empty. Put it "
            "into the \"server\" element's \"url\" in Ostravel.xml in the folder " +
                std::string(folder.begin(), folder.end()) +
                " and restart the game; your allegiance's members' page shows the address.",
            kChatColor, true);
}

void OstravelMain::Filter_Logoff(std::int32_t pType) {
  // An error here must not reach the host either; it is reported under this handler's name.
  ErrorHandler{ctx_, kModule, "Filter_Logoff"}([&] {
    if (pType == 0) Require(TabUpdate_).PlayerLogoff();
  });
}

void OstravelMain::WebRequest_Response(const std::string& Response, const std::string& Callback) {
  ErrorHandler{ctx_, kModule, "WebRequest_Response"}([&] {
    if (Callback == "Print") {
      PrintChat(ctx_, Response, kChatColor, true);
    } else if (Callback == "PrintAndRefreshQuests") {
      PrintChat(ctx_, Response, kChatColor, true);
      Require(TabQuests_).Refresh();
    }
  });
}

void OstravelMain::InitMonarch() {
  ErrorHandler{ctx_, kModule, "InitMonarch()"}([&] { ctx_.Monarch = AllegianceRecord{}; });
}

void OstravelMain::InitPatron() {
  ErrorHandler{ctx_, kModule, "InitPatron()"}([&] { ctx_.Patron = AllegianceRecord{}; });
}

void OstravelMain::UpdateAllegiance() {
  Require(TabUpdate_).TabUpdateAllegiance();
  Require(TabIRC_).TabIRCUpdateAllegiance();
}

void OstravelMain::ReceivedDirectChat(const std::string& sender_name, std::int32_t sender_id,
                                      std::int32_t receiver_id, const std::string& message) {
  Require(TabChatHelper_).ReceivedDirectChat(sender_name, sender_id, receiver_id, message);
}

void OstravelMain::FellowCreate(std::int32_t count, std::int32_t leader_id, const std::string& name,
                                bool open, bool share_xp) {
  Require(TabGroups_).FellowCreate(count, leader_id, name, open, share_xp);
}

void OstravelMain::FellowAdd(std::int32_t id, const std::string& name, std::int32_t level,
                             std::int32_t health, std::int32_t stamina, std::int32_t mana,
                             std::int32_t& index) {
  Require(TabGroups_).FellowAdd(id, name, level, health, stamina, mana, index);
}

void OstravelMain::FellowMemberQuit(std::int32_t id) {
  Require(TabGroups_).FellowMemberQuit(id);
}

void OstravelMain::FellowMemberDismiss(std::int32_t id) {
  Require(TabGroups_).FellowMemberDismiss(id);
}

void OstravelMain::FellowDisband() {
  Require(TabGroups_).FellowDisband();
}

}  // namespace ostravel
