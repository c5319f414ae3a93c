#pragma once

#include <memory>

#include "common/Context.h"
#include "plugin/host/PluginSite.h"
#include "plugin/host/Signal.h"

namespace ostravel {
class ChatCommands;
class WebRequest;
}  // namespace ostravel

namespace ostravel {

// The plug-in class the host creates and loads. It connects to the host's services, builds the
// main view and owns the process-wide state and every tab object.
class OstravelMain {
 public:
  explicit OstravelMain(Environment environment);
  ~OstravelMain();
  OstravelMain(const OstravelMain&) = delete;
  OstravelMain& operator=(const OstravelMain&) = delete;

  // Called once by the host when it loads the plug-in.
  void IPlugin2_Initialize(std::shared_ptr<host::PluginSite> site);
  // Called once by the host when it unloads the plug-in.
  void IPlugin2_Terminate();

  // The process-wide state, for the host's tests and the workbench to look at.
  Context& State() { return ctx_; }
  const Context& State() const { return ctx_; }

 private:
  void InitMonarch();
  void InitPatron();
  void ConnectHooks();
  void ConnectFilter();
  void Filter_LoginComplete();
  void WebRequest_Response(const std::string& Response, const std::string& Callback);
  void MainView_Activate() {}
  void MainView_Deactivate() {}
  bool MainView_Size() { return true; }
  void ConnectView();

  Context ctx_;

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

  // The event connections of the members above; dropped with them.
  host::Connection hooks_intercept_;
  host::Connection filter_login_;
  host::Connection request_response_;
  host::Connection view_activate_;
  host::Connection view_deactivate_;
  host::Connection view_size_;
};

}  // namespace ostravel
