#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ostravel::service {

// One request as the server hands it to the handler, after every limit has been checked.
struct HttpRequest {
  std::string method;
  std::string path;   // as sent, without the query and not percent-decoded
  std::string query;  // the text after "?", as sent; empty without one
  std::string remote_address;
  std::string content_type;
  std::string body;
};

struct HttpResponse {
  int status = 200;
  std::string content_type = "text/plain";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  // What the access log shows of the request besides its path: the first word of the
  // arguments ("list", "send"). Never message text or anything else a player typed.
  std::string log_detail;
};

// Called on the server's worker threads, so it must be thread-safe; it may block briefly (on
// the database, say), which holds up only the connections of that one worker.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

// Takes the answer to one request; may be called from any thread, once.
using HttpRespond = std::function<void(HttpResponse)>;
// A handler that answers later: the server's thread goes on serving its other connections
// while the request waits (on the database's writer, say). It may also respond at once.
using HttpAsyncHandler = std::function<void(const HttpRequest&, HttpRespond)>;

}  // namespace ostravel::service
