#include "DemoService.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <iostream>
#include <stdexcept>
#include <system_error>

#include "DemoFolder.h"
#include "DemoSeed.h"
#include "platform/Clock.h"
#include "service/AllegianceService.h"

namespace ostravel::app {
namespace {

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
  return service::IsServiceScript(script);
}

DemoService::DemoService(int code_page)
    : DemoService(code_page, [clock = std::shared_ptr<platform::Clock>(platform::Clock::System())] {
        return clock->LocalNow();
      }) {}

DemoService::DemoService(int code_page, std::function<platform::DateTime()> now)
    : folder_(NewDemoFolder()), now_(std::move(now)) {
  try {
    service::ServiceOptions options;
    options.database = folder_ / "demo.sqlite";
    options.code_page = code_page;
    options.now = now_;
    options.on_request = [this](const service::ServiceRequest& request) {
      FirstSight(request.character);
    };
    service_ = std::make_unique<service::AllegianceService>(std::move(options));
    SeedDemoWorld(*service_, now_());
  } catch (...) {
    service_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    throw;
  }
}

DemoService::~DemoService() {
  Stop();
  service_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void DemoService::FirstSight(std::int32_t character) {
  {
    std::lock_guard lock(seen_mutex_);
    if (character == 0 || !seen_.insert(character).second) return;
  }
  SeedMailbox(*service_, character, now_());
}

std::string DemoService::Handle(std::string_view script, std::string_view body) {
  return service_->Post(script, body).body;
}

int DemoService::Start(int port) {
  if (server_) return port_;
  auto server = std::make_unique<httplib::Server>();
  server->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
    const service::ScriptReply reply = service_->Post(request.path, request.body);
    response.status = reply.status;
    response.set_content(reply.body, "text/plain");
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
