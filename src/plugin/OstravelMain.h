#pragma once

#include <memory>
#include <string>

#include "common/Context.h"
#include "host/PluginSite.h"
#include "host/Signal.h"
#include "plugin/GameMessages.h"

namespace ostravel {

class ChatCommands;
class PostTimer;
class TabChatHelper;
class TabGroups;
class TabIRC;
class TabMembers;
class TabMessages;
class TabQuests;
class TabUpdate;
class WebRequest;

// The plug-in class the host creates and loads. It connects to the host's services, builds the
// main view and owns the process-wide state and every page object.
class OstravelMain : private GameMessages::Listener {
 public:
  explicit OstravelMain(Environment environment);
  ~OstravelMain() override;
  OstravelMain(const OstravelMain&) = delete;
  OstravelMain& operator=(const OstravelMain&) = delete;

  // Called once by the host when it loads the plug-in.
  void IPlugin2_Initialize(std::shared_ptr<host::PluginSite> site);
  // Called once by the host when it unloads the plug-in.
  void IPlugin2_Terminate();

  // The process-wide state, for the host's tests and the workbench to look at.
  Context& State() { return ctx_; }
  const Context& State() const { return ctx_; }

  // The page objects (nullptr before the start and after the stop), for the host's tests.
  TabChatHelper* ChatTab() const { return TabChatHelper_.get(); }
  TabMessages* MessagesTab() const { return TabMessages_.get(); }
  TabMembers* MembersTab() const { return TabMembers_.get(); }
  TabGroups* GroupsTab() const { return TabGroups_.get(); }
  TabQuests* QuestsTab() const { return TabQuests_.get(); }
  TabIRC* IrcTab() const { return TabIRC_.get(); }
  TabUpdate* UpdateTab() const { return TabUpdate_.get(); }

 private:
  void InitMonarch();
  void InitPatron();
  void ConnectHooks();
  void ConnectFilters();
  void ConnectView();
  void CreateTabs(class ErrorHandler& step);
  void ReleaseTabs(class ErrorHandler& step);
  void Filter_LoginComplete();
  void Filter_Logoff(std::int32_t pType);
  void WebRequest_Response(const std::string& Response, const std::string& Callback);
  void MainView_Activate() {}
  void MainView_Deactivate() {}
  bool MainView_Size() { return true; }

  // What the game's messages hand to the pages.
  void UpdateAllegiance() override;
  void ReceivedDirectChat(const std::string& sender_name, std::int32_t sender_id,
                          std::int32_t receiver_id, const std::string& message) override;
  void FellowCreate(std::int32_t count, std::int32_t leader_id, const std::string& name, bool open,
                    bool share_xp) override;
  void FellowAdd(std::int32_t id, const std::string& name, std::int32_t level, std::int32_t health,
                 std::int32_t stamina, std::int32_t mana, std::int32_t& index) override;
  void FellowMemberQuit(std::int32_t id) override;
  void FellowMemberDismiss(std::int32_t id) override;
  void FellowDisband() override;
  // One line at the first login when the settings file names no service to post to.
  void TellIfAddressNotSet();

  Context ctx_;
  bool told_address_not_set_ = false;

  std::shared_ptr<host::PluginSite> Site;
  std::shared_ptr<host::PluginSite2> PluginSite;
  std::shared_ptr<host::Hooks> ACHooks;
  std::shared_ptr<host::EchoFilter2> Echo2;
  std::shared_ptr<host::World> World;
  std::shared_ptr<host::CharacterStats> Filter;
  std::shared_ptr<host::View> MainView;
  std::shared_ptr<host::Notebook> nbMain;
  std::unique_ptr<ostravel::WebRequest> WebRequest;
  std::unique_ptr<ChatCommands> commands_;
  std::unique_ptr<GameMessages> messages_;
  std::unique_ptr<PostTimer> post_timer_;

  std::unique_ptr<TabChatHelper> TabChatHelper_;
  std::unique_ptr<TabMessages> TabMessages_;
  std::unique_ptr<TabMembers> TabMembers_;
  std::unique_ptr<TabGroups> TabGroups_;
  std::unique_ptr<TabQuests> TabQuests_;
  std::unique_ptr<TabIRC> TabIRC_;
  std::unique_ptr<TabUpdate> TabUpdate_;

  // The event connections of the members above; dropped with them.
  host::Connection hooks_intercept_;
  host::Connection echo_server_;
  host::Connection filter_login_;
  host::Connection filter_logoff_;
  host::Connection request_response_;
  host::Connection view_activate_;
  host::Connection view_deactivate_;
  host::Connection view_size_;
};

}  // namespace ostravel
