#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/Signal.h"
#include "platform/HttpClient.h"
#include "wire/FormBody.h"

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

  // Who asked for a post. A post dropped because the last one has not been answered yet is
  // told to the player only when the player asked for it; automatic refreshes stay quiet.
  enum class Asker { kPlugin, kPlayer };

  // Sends the body, encoded field by field as it was built, to `URL`. A URL that starts with
  // "/" (no server configured) sends nothing.
  void Post(const std::string& URL, const wire::FormBody& PostString, const std::string& Callback,
            Asker asker = Asker::kPlugin);

  // Form-encodes a whole text through the code page: letters, digits, "*@._-&=" stay, a space
  // becomes "+", anything else "%" and its code in upper-case hexadecimal. Bodies are built
  // with wire::FormBody instead, which keeps an "&" inside a value.
  std::string HTTPEncoder(std::string_view TheString) const;

  // 0 when idle, 1 while a request is in flight.
  std::int32_t ReadyState() const { return ready_state_; }

  // The answer of a completed request and its callback name. The answer is empty when the
  // transfer failed or the service answered with a status outside 200-299; the player then
  // reads one line about it (at most once a minute for the same address and reason). A
  // request the service refuses for who is asking raises nothing: its one line goes to chat
  // (at most once a minute for the same line).
  //
  // Every request carries the logged-in character's key, when "Ostravel.xml" holds one, in
  // the header X-Ostravel-Key; a key the service gives in that header is kept there.
  host::Signal<const std::string& /*Response*/, const std::string& /*Callback*/> Response;

 private:
  void OnReadyStateChange(platform::HttpResponse answer);
  void Reset();
  void TellFailure(const platform::HttpResponse& answer);
  // The key to send for the logged-in character, read from the settings once.
  std::string KeyToSend();
  void KeepGivenKey(const platform::HttpResponse& answer);
  void TellRefusal(const platform::HttpResponse& answer);

  Context& ctx_;
  std::int32_t ready_state_ = 0;
  std::string PendingCallback;
  std::string pending_url_;
  // Who the request in flight was sent for: a key in its answer is this character's.
  std::int32_t pending_cid_ = 0;
  std::string pending_name_;
  platform::HttpClient::RequestId request_ = 0;
};

}  // namespace ostravel
