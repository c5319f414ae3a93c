#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostravel::service {

// One request as the server hands it to the handler, after every limit has been checked.
struct HttpRequest {
  std::string method;
  std::string path;   // as sent, without the query and not percent-decoded
  std::string query;  // the text after "?", as sent; empty without one
  std::string remote_address;
  // The address the client asked for: the Host header, or behind the trusted proxy what it
  // forwards (X-Forwarded-Host, X-Forwarded-Proto). As sent: unchecked.
  std::string host;
  std::string scheme = "http";
  std::string content_type;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order

  // The value of the first header of that name (letter case aside); "" when none.
  std::string Header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
      if (key.size() == name.size() &&
          std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
          })) {
        return value;
      }
    }
    return {};
  }
};

struct HttpResponse {
  // A plain-text answer of the server's own (a refusal, an error), not a handler's.
  static HttpResponse Plain(int status, std::string text, std::string log_detail = {}) {
    HttpResponse response;
    response.status = status;
    response.body = std::move(text);
    response.log_detail = std::move(log_detail);
    return response;
  }

  int status = 200;
  std::string content_type = "text/plain";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  // What the access log shows of the request besides its path: the first word of the
  // arguments ("list", "send"). Never message text or anything else a player typed.
  std::string log_detail;
  // Requests to count against the client's address in its rate limit besides this one (a
  // refused key, say); and a note for its log line (never a secret or a player's text).
  int rate_cost = 0;
  std::string log_note;
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
