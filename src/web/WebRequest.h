#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/HttpClient.h"
#include "host/Signal.h"

namespace ostravel {

struct Context;

// The road to the allegiance's web service: one asynchronous form POST at a time, whose answer
// comes back as the Response event with the callback name the caller gave. A post asked for
// while one is in flight is dropped, not queued.
class WebRequest {
 public:
  explicit WebRequest(Context& ctx);
  // Drops a request in flight: no Response is raised after this.
  ~WebRequest();
  WebRequest(const WebRequest&) = delete;
  WebRequest& operator=(const WebRequest&) = delete;

  // Sends `PostString`, encoded by HTTPEncoder, to `URL`. A URL that starts with "/" (no server
  // configured) sends nothing.
  void Post(const std::string& URL, const std::string& PostString, const std::string& Callback);

  // Form-encodes a whole post string through the code page: letters, digits, "*@._-&=" stay,
  // a space becomes "+", anything else "%" and its code in upper-case hexadecimal.
  std::string HTTPEncoder(std::string_view TheString) const;

  // 0 when idle, 1 while a request is in flight.
  std::int32_t ReadyState() const { return ready_state_; }

  // The answer of a completed request (empty when the transfer failed) and its callback name.
  host::Signal<const std::string& /*Response*/, const std::string& /*Callback*/> Response;

 private:
  void OnReadyStateChange(platform::HttpResponse answer);
  void Reset();

  Context& ctx_;
  std::int32_t ready_state_ = 0;
  std::string PendingCallback;
  platform::HttpClient::RequestId request_ = 0;
};

// A value as it goes into a post string: an "&" inside it then reaches the server as %26
// instead of ending the field. Every other character is left for HTTPEncoder.
std::string FieldValue(std::string_view value);

}  // namespace ostravel
