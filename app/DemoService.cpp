#include "DemoService.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>

#include "DemoCharacterScript.h"
#include "DemoEventScript.h"
#include "DemoLandblockScript.h"
#include "DemoMemberScript.h"
#include "DemoMessageScript.h"
#include "DemoRequest.h"
#include "DemoSeed.h"
#include "DemoWorld.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "wire/FieldNames.h"
#include "wire/FormDecoder.h"

namespace ostravel::app {
namespace {

using Script = std::function<std::string(DemoWorld&, const DemoRequest&)>;

const std::map<std::string_view, Script, std::less<>>& Scripts() {
  static const std::map<std::string_view, Script, std::less<>> scripts = {
      {wire::script::kMember, RunMemberScript}, {wire::script::kMessage, RunMessageScript},
      {wire::script::kEvent, RunEventScript},   {wire::script::kLandblock, RunLandblockScript},
      {wire::script::kUpdate, RunUpdateScript}, {wire::script::kFellowship, RunFellowshipScript},
  };
  return scripts;
}

// "/ostravel/member.php" and "member.php" both name "member.php".
std::string_view ScriptName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Every request says who is asking and where: a known member is online there from now on.
void NoteCaller(DemoWorld& world, const DemoRequest& request) {
  SeedMailbox(world, request.character, request.now);
  DemoMember* member = world.FindMember(request.character);
  if (!member || member->ally) return;
  member->online = true;
  if (request.location != 0) member->location = request.location;
  member->wants_fellowship = request.wants_fellowship;
  member->fellowship_leader = request.fellowship_leader;
}

constexpr std::string_view kIndexText =
    "Ostravel demo web service.\n"
    "The plug-in posts to member.php, message.php, event.php, landblock.php, update.php and "
    "fellowship.php here.\n";

std::string EscapeAttribute(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

bool IsDemoScript(std::string_view script) {
  return Scripts().contains(ScriptName(script));
}

DemoService::DemoService(int code_page)
    : DemoService(code_page, [clock = std::shared_ptr<platform::Clock>(platform::Clock::System())] {
        return clock->LocalNow();
      }) {}

DemoService::DemoService(int code_page, std::function<platform::DateTime()> now)
    : code_page_(platform::CodePage::Open(code_page)),
      now_(std::move(now)),
      world_(std::make_unique<DemoWorld>()) {
  SeedDemoWorld(*world_, now_());
}

DemoService::~DemoService() {
  Stop();
}

std::string DemoService::Handle(std::string_view script, std::string_view body) {
  std::lock_guard lock(mutex_);
  wire::FormFields fields;
  for (auto& [key, value] : wire::DecodeForm(body)) {
    fields[code_page_->ToUtf8(key)] = code_page_->ToUtf8(value);
  }
  const DemoRequest request = ReadDemoRequest(std::move(fields), now_());
  return code_page_->FromUtf8(Answer(ScriptName(script), request));
}

std::string DemoService::Answer(std::string_view script, const DemoRequest& request) {
  const auto it = Scripts().find(script);
  if (it == Scripts().end()) {
    return "Unknown script \"" + std::string(script) +
           "\": this service answers member.php, message.php, event.php, landblock.php, "
           "update.php and fellowship.php.";
  }
  NoteCaller(*world_, request);
  return it->second(*world_, request);
}

int DemoService::Start(int port) {
  if (server_) return port_;
  auto server = std::make_unique<httplib::Server>();
  server->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
    if (!IsDemoScript(request.path)) response.status = 404;
    response.set_content(Handle(request.path, request.body), "text/plain");
  });
  server->Get(".*", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(std::string(kIndexText), "text/plain");
  });
  // One request per connection, so that Stop does not wait for an idle kept-alive one.
  server->set_keep_alive_max_count(1);
  // httplib's default SO_REUSEPORT would let a second service share a busy port, the kernel
  // then handing each connection to either; SO_REUSEADDR alone refuses a port in use.
  server->set_socket_options([](int sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  const int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                              : (server->bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) {
    throw std::runtime_error("demo web service: cannot listen on 127.0.0.1 port " +
                             std::to_string(port));
  }
  server_ = std::move(server);
  port_ = bound;
  serving_done_ = false;
  thread_ = std::thread([this] { Serve(); });
  while (!server_->is_running() && !serving_done_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (!server_->is_running()) {
    Stop();
    throw std::runtime_error("demo web service: the server on port " + std::to_string(bound) +
                             " stopped at once");
  }
  return port_;
}

void DemoService::Serve() {
  server_->listen_after_bind();
  serving_done_ = true;
}

void DemoService::Stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = 0;
}

int DemoService::Port() const {
  return port_;
}

std::string DemoService::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::string DemoSettingsXml(const std::string& url) {
  return "<?xml version=\"1.0\"?>\n"
         "<ostravel>\n"
         "  <server url=\"" +
         EscapeAttribute(url) +
         "\"/>\n"
         "  <chathelper savelines=\"20\"/>\n"
         "  <update/>\n"
         "  <irc/>\n"
         "</ostravel>\n";
}

}  // namespace ostravel::app
