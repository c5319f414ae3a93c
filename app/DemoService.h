#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

#include "platform/DateTime.h"
#include "wire/CodePageDefault.h"

namespace ostravel::service {
class AllegianceService;
class HttpServer;
struct HttpRequest;
struct HttpResponse;
}  // namespace ostravel::service

namespace ostravel::app {

// The allegiance's web service for the workbench's demo: the service of ostravel-service on a
// throwaway database (removed with this object) seeded with the sample allegiance, served on
// 127.0.0.1 by the service's own HTTP server. Every character it sees for the first time
// finds a few messages waiting.
class DemoService {
 public:
  // `code_page`: the Windows code page number of the plug-in's bytes (1252, 932, ...); throws
  // when the system cannot convert it.
  explicit DemoService(int code_page = wire::kDefaultCodePage);
  // With another clock (the local date and time), so that tests know "today".
  DemoService(int code_page, std::function<platform::DateTime()> now);
  ~DemoService();  // stops the server and removes the database
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;

  // Listens on 127.0.0.1 at `port` (0 = any free port) on threads of its own and returns the
  // port once the server runs; throws std::runtime_error when it cannot bind. While running,
  // a second call returns the port in use.
  int Start(int port = 0);
  // Stops the server and waits for its threads; the data stay, and Start may run it again.
  void Stop();
  int Port() const;         // 0 while stopped
  std::string Url() const;  // "http://127.0.0.1:PORT/"

  // The whole handling without sockets: the script name ("member.php"; a leading path is
  // ignored) and the raw form body in, the answer's bytes in the code page out.
  std::string Handle(std::string_view script, std::string_view body);

 private:
  service::HttpResponse Answer(const service::HttpRequest& request);
  void FirstSight(std::int32_t character);

  std::filesystem::path folder_;  // holds the throwaway database
  std::function<platform::DateTime()> now_;
  std::unique_ptr<service::AllegianceService> service_;
  std::mutex seen_mutex_;
  std::set<std::int32_t> seen_;      // characters whose mailbox is seeded
  std::ostream quiet_log_{nullptr};  // the workbench's transcript is no access log
  std::unique_ptr<service::HttpServer> server_;
  int port_ = 0;
};

// True for the script names the service answers ("member.php", ...).
bool IsDemoScript(std::string_view script);

// The text of an "Ostravel.xml" for a demo folder: the web service at `url`, 20 saved chat
// lines, no saved character settings and no IRC channels.
std::string DemoSettingsXml(const std::string& url);

}  // namespace ostravel::app
