#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ostravel::platform {

class EventLoop;

// What a finished transfer gave.
struct HttpResponse {
  bool transferred = false;  // false: the network failed or the time ran out
  long status = 0;           // the HTTP status, 0 without one
  std::string body;          // the answer's bytes, as the server sent them
  std::string error;         // why the transfer failed, "" when it did not
};

struct HttpOptions {
  std::chrono::milliseconds connect_timeout{15000};
  std::chrono::milliseconds total_timeout{60000};
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

  // Starts a POST of `body` with the given header lines and returns at once. `done` runs later
  // on the loop, exactly once, unless the request is aborted (or the client destroyed) first.
  virtual RequestId Post(const std::string& url, const std::vector<std::string>& headers,
                         std::string body, Completion done) = 0;
  // Drops a request; its completion will not run. Unknown ids are ignored.
  virtual void Abort(RequestId id) = 0;
  // Requests started and neither completed nor aborted yet.
  virtual std::size_t InFlight() const = 0;
};

}  // namespace ostravel::platform
