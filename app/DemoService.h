#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/DateTime.h"

namespace httplib {
class Server;
}
namespace ostravel::platform {
class CodePage;
}

namespace ostravel::app {

struct DemoWorld;
struct DemoRequest;

// The allegiance's web service in memory, for the workbench's demo: an HTTP server on
// 127.0.0.1 that answers the plug-in's form-encoded posts to "member.php", "message.php",
// "event.php", "landblock.php", "update.php" and "fellowship.php" from a seeded sample
// allegiance, and remembers what the plug-in sends (character and fellowship records,
// messages, events, landblock texts) until it is destroyed.
//
// Bodies arrive in the plug-in's code page and answers leave in it; inside, all text is
// UTF-8. All state sits behind one lock: httplib serves each connection on a thread of its own.
class DemoService {
 public:
  // `code_page`: the Windows code page number of the plug-in's bytes (1252, 932, ...); throws
  // when the system cannot convert it.
  explicit DemoService(int code_page = 1252);
  // With another clock (the local date and time), so that tests know "today".
  DemoService(int code_page, std::function<platform::DateTime()> now);
  ~DemoService();  // stops the server
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;

  // Listens on 127.0.0.1 at `port` (0 = any free port) on a thread of its own and returns the
  // port once the server runs; throws std::runtime_error when it cannot bind. While running,
  // a second call returns the port in use.
  int Start(int port = 0);
  // Stops the server and waits for its thread; the data stay, and Start may run it again.
  void Stop();
  int Port() const;         // 0 while stopped
  std::string Url() const;  // "http://127.0.0.1:PORT/"

  // The whole handling without sockets: the script name ("member.php"; a leading path is
  // ignored) and the raw form body in, the answer's bytes in the code page out. An unknown
  // script gets a one-line error text.
  std::string Handle(std::string_view script, std::string_view body);

 private:
  std::string Answer(std::string_view script, const DemoRequest& request);
  void Serve();

  std::unique_ptr<platform::CodePage> code_page_;
  std::function<platform::DateTime()> now_;
  std::unique_ptr<DemoWorld> world_;
  std::mutex mutex_;  // guards code_page_, now_ and world_
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  std::atomic<bool> serving_done_{false};  // the server thread has returned
  int port_ = 0;
};

// True for the script names the service answers ("member.php", ...).
bool IsDemoScript(std::string_view script);

// The text of an "Ostravel.xml" for a demo folder: the web service at `url`, 20 saved chat
// lines, no saved character settings and no IRC channels.
std::string DemoSettingsXml(const std::string& url);

}  // namespace ostravel::app
