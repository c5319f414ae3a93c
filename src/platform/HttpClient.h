#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/HttpHeaders.h"

namespace ostravel::platform {

class EventLoop;

// What a finished transfer gave.
struct HttpResponse {
  bool transferred = false;  // false: the network failed, the time ran out or it was cut off
  long status = 0;           // the HTTP status of the final answer, 0 without one
  std::string body;          // the answer's bytes, as the server sent them; "" when not transferred
  // Why the transfer failed, "" when it did not. Every back end uses these texts where they
  // apply, so that what the player reads does not depend on the platform: "timed out",
  // "connection refused", "answer larger than N bytes", "answer header larger than N bytes",
  // "too many redirects",
  // "redirect from https to http refused"; otherwise the library's own short text.
  std::string error;
  // The header fields of the final answer (of a transferred one; none otherwise).
  std::vector<HttpHeader> headers;
  // True when a redirect took the transfer to another origin than the first URL's (scheme,
  // host or port): what the final answer says about the first server's business is not its to
  // say.
  bool left_origin = false;
};

// One POST as a caller asks for it.
struct HttpRequest {
  std::string url;
  std::vector<std::string> headers;  // "Name: value" lines
  // Lines that go to the first URL's origin only: once a redirect leads elsewhere they are
  // dropped, also should a later one lead back (credentials, as browsers treat them).
  std::vector<std::string> origin_headers;
  std::string body;
};

// The rules every back end follows. Redirects: at most max_redirects; 307 and 308 repeat the
// POST with its body, 301, 302 and 303 go on as a GET without body; never from https to http.
// An answer over max_answer_bytes, or whose header lines come to more than max_header_bytes,
// stops the transfer, which then fails.
struct HttpOptions {
  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds total_timeout{60000};
  int max_redirects = 5;
  std::size_t max_answer_bytes = 4 * 1024 * 1024;
  std::size_t max_header_bytes = 64 * 1024;
};

// Asynchronous HTTP POSTs. Transfers run off the user-interface thread; each completion runs
// on the loop. Post and Abort are called on the loop's thread only.
class HttpClient {
 public:
  using Completion = std::function<void(HttpResponse)>;
  using RequestId = std::uint64_t;

  virtual ~HttpClient() = default;

  // A client whose completions run on `loop`. Destroying it aborts what is in flight.
  static std::unique_ptr<HttpClient> Create(EventLoop& loop, HttpOptions options = {});

  // Starts the POST and returns at once. `done` runs later on the loop, exactly once, unless
  // the request is aborted (or the client destroyed) first.
  virtual RequestId Send(HttpRequest request, Completion done) = 0;
  // The same without origin-bound header lines.
  RequestId Post(const std::string& url, const std::vector<std::string>& headers, std::string body,
                 Completion done) {
    return Send(HttpRequest{url, headers, {}, std::move(body)}, std::move(done));
  }
  // Drops a request; its completion will not run. Unknown ids are ignored.
  virtual void Abort(RequestId id) = 0;
  // Requests started and neither completed nor aborted yet.
  virtual std::size_t InFlight() const = 0;
};

}  // namespace ostravel::platform
