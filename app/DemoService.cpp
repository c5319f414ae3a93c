#include "DemoService.h"

#include <stdexcept>
#include <system_error>

#include "DemoFolder.h"
#include "DemoSeed.h"
#include "platform/Clock.h"
#include "service/AllegianceService.h"
#include "service/Router.h"
#include "service/http/HttpServer.h"
#include "service/page/HtmlText.h"

namespace ostravel::app {
namespace {

constexpr std::string_view kIndexText =
    "Ostravel demo web service.\n"
    "The plug-in posts to member.php, message.php, event.php, landblock.php, update.php and "
    "fellowship.php here.\n";

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

service::HttpResponse DemoService::Answer(const service::HttpRequest& request) {
  service::HttpResponse response;
  if (request.method == "POST") {
    response = service::AnswerScript(*service_, request);
  } else if (request.method == "GET" || request.method == "HEAD") {
    response.body = std::string(kIndexText);
  } else {
    response.status = 405;
    response.body = "The demo web service answers POST to its scripts.\n";
    response.headers.emplace_back("Allow", "GET, HEAD, POST");
  }
  return response;
}

int DemoService::Start(int port) {
  if (server_) return port_;
  if (port < 0 || port > 65535) {
    throw std::runtime_error("demo web service: no port " + std::to_string(port));
  }
  service::HttpServerOptions options;
  options.address = "127.0.0.1";
  options.port = static_cast<std::uint16_t>(port);
  // One player's plug-in, or a test's burst, all from 127.0.0.1: the limits per address are
  // for the open internet.
  options.max_connections_per_address = 0;
  options.request_burst_per_address = 0;
  options.threads = 2;
  auto server = std::make_unique<service::HttpServer>(
      options, [this](const service::HttpRequest& request) { return Answer(request); }, quiet_log_);
  try {
    port_ = server->Start();
  } catch (const std::runtime_error&) {
    throw std::runtime_error("demo web service: cannot listen on 127.0.0.1 port " +
                             std::to_string(port));
  }
  server_ = std::move(server);
  return port_;
}

void DemoService::Stop() {
  if (!server_) return;
  server_->Stop();
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
         service::EscapeHtml(url) +
         "\"/>\n"
         "  <chathelper savelines=\"20\"/>\n"
         "  <update/>\n"
         "  <irc/>\n"
         "</ostravel>\n";
}

}  // namespace ostravel::app
