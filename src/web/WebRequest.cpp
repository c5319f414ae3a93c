#include "web/WebRequest.h"

#include "base/AsciiText.h"
#include "base/Error.h"
#include "common/Context.h"
#include "common/ErrorHandler.h"
#include "common/OstravelLib.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "web/Settings.h"
#include "wire/CharacterKey.h"
#include "wire/FormEncoding.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "WebRequest";
constexpr std::string_view kBusyText =
    "Server busy or unavaliable. Please wait a little before trying again.";
constexpr std::string_view kStillWaitingText =
    "Still waiting for the last answer from the allegiance service; try again in a moment.";
// The same failure is shown in chat once in this time; the log gets every one.
constexpr std::int64_t kFailureRepeatMs = 60'000;
constexpr std::int32_t kIdle = 0;
constexpr std::int32_t kSent = 1;
constexpr std::int32_t kCompleted = 4;

// The service's base address: the URL without its script name.
std::string ServiceAddress(const std::string& url) {
  const std::size_t slash = url.rfind('/');
  return slash == std::string::npos ? url : url.substr(0, slash + 1);
}

// A refusal for who is asking, from the service's own server.
bool Refused(const platform::HttpResponse& answer) {
  if (!answer.transferred || answer.left_origin || answer.status != wire::kRefusedStatus) {
    return false;
  }
  const std::string why = platform::HeaderValue(answer.headers, wire::header::kRefused);
  return why == wire::header::kRefusedKey || why == wire::header::kRefusedAllegiance;
}

// The refusal's first line as the player reads it; ours when the service gave none.
std::string RefusalLine(const std::string& text, const std::string& why) {
  constexpr std::size_t kLongest = 500;
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  line = std::string(TrimSpaces(line));
  if (line.size() > kLongest) {
    std::size_t cut = kLongest;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    line.resize(cut);  // whole characters only
  }
  if (!line.empty()) return line;
  return why == wire::header::kRefusedKey
             ? "The allegiance service refused this character's key; ask an officer to reset it."
             : "The allegiance service serves only its own allegiance.";
}

bool Usable(const platform::HttpResponse& answer) {
  return answer.transferred && answer.status >= 200 && answer.status <= 299;
}

std::string FailureLine(const platform::HttpResponse& answer, const std::string& address,
                        const std::string& reason) {
  const bool silent = !answer.transferred && answer.status == 0;
  return "The allegiance service at " + address +
         (silent ? " did not answer (" : " gave no usable answer (") + reason +
         "). Lists will refresh when it answers again.";
}

// Whether a failure not shown within the last minute may be shown now; remembers it if so.
bool ShowAgain(Context& ctx, const std::string& key) {
  const std::int64_t now = ctx.env.clock.MonotonicMs();
  auto& shown = ctx.ServiceFailureShownMs;
  if (const auto last = shown.find(key);
      last != shown.end() && now - last->second < kFailureRepeatMs) {
    return false;
  }
  // Failures whose minute is over need no entry; this keeps the map small.
  std::erase_if(shown, [now](const auto& entry) { return now - entry.second >= kFailureRepeatMs; });
  shown[key] = now;
  return true;
}

}  // namespace

WebRequest::WebRequest(Context& ctx) : ctx_(ctx) {}

WebRequest::~WebRequest() {
  if (ready_state_ != kIdle && ctx_.env.http) ctx_.env.http->Abort(request_);
}

void WebRequest::Post(const std::string& URL, const wire::FormBody& PostString,
                      const std::string& Callback, Asker asker) {
  ErrorHandler{ctx_, kModule, "Post"}([&] {
    if (!URL.empty() && URL.front() == '/') return;
    if (ready_state_ != kIdle) {
      if (Callback == "RefreshUpdate") {
        Response.Emit(std::string(kBusyText), "PrintResponse");
      } else if (asker == Asker::kPlayer) {
        PrintChat(ctx_, kStillWaitingText, kChatColor, true);
      }
      return;
    }
    auto& http = Require(ctx_.env.http);
    platform::HttpRequest request{
        URL,
        {"Content-Type: application/x-www-form-urlencoded", "User-Agent: Ostravel 3004"},
        {},
        PostString.Encoded()};
    if (const std::string key = KeyToSend(); !key.empty()) {
      request.origin_headers.push_back(std::string(wire::header::kKey) + ": " + key);
    }
    PendingCallback = Callback;
    pending_url_ = URL;
    pending_cid_ = ctx_.CharacterID;
    pending_name_ = ctx_.CharacterName;
    request_ = http.Send(std::move(request), [this](platform::HttpResponse answer) {
      OnReadyStateChange(std::move(answer));
    });
    ready_state_ = kSent;
  });
}

void WebRequest::OnReadyStateChange(platform::HttpResponse answer) {
  ready_state_ = kCompleted;
  // A key that cannot be kept is reported; the answer still counts.
  ErrorHandler{ctx_, kModule, "OnReadyStateChange"}([&] { KeepGivenKey(answer); });
  if (Refused(answer)) {
    ErrorHandler{ctx_, kModule, "OnReadyStateChange"}([&] { TellRefusal(answer); });
    Reset();
    return;
  }
  ErrorHandler{ctx_, kModule, "OnReadyStateChange"}([&] {
    // An error page or a redirect page is not an answer: the owners get nothing to print.
    const bool usable = Usable(answer);
    std::string text;
    try {
      if (usable) text = ctx_.env.code_page.ToUtf8(answer.body);
    } catch (...) {
      // An answer that cannot be read must not leave the object busy for ever.
      Reset();
      throw;
    }
    if (!usable) TellFailure(answer);
    Reset();
    const std::string callback = PendingCallback;
    Response.Emit(text, callback);
  });
}

void WebRequest::TellFailure(const platform::HttpResponse& answer) {
  // Each statement reports its own failure and the answer is still delivered.
  ErrorHandler step{ctx_, kModule, "OnReadyStateChange"};
  const std::string address = ServiceAddress(pending_url_);
  const std::string reason = answer.transferred     ? "HTTP status " + std::to_string(answer.status)
                             : answer.error.empty() ? std::string("no answer")
                                                    : answer.error;
  const std::string line = FailureLine(answer, address, reason);
  step([&] { WriteLog(ctx_, line); });
  step([&] {
    if (ShowAgain(ctx_, address + '\n' + reason)) PrintChat(ctx_, line, kChatColor, true);
  });
}

std::string WebRequest::KeyToSend() {
  const std::int32_t cid = ctx_.CharacterID;
  if (const auto known = ctx_.CharacterKeys.find(cid); known != ctx_.CharacterKeys.end()) {
    return known->second;
  }
  // Read once even when it fails: the failure is told once, and the request goes without.
  std::string key;
  ErrorHandler{ctx_, kModule, "Post"}([&] { key = Settings(ctx_.env).CharacterKey(cid); });
  ctx_.CharacterKeys[cid] = key;
  return key;
}

void WebRequest::KeepGivenKey(const platform::HttpResponse& answer) {
  if (!answer.transferred || answer.left_origin) return;
  const std::string key = platform::HeaderValue(answer.headers, wire::header::kKey);
  if (!wire::IsCharacterKey(key)) return;
  if (const auto known = ctx_.CharacterKeys.find(pending_cid_);
      known != ctx_.CharacterKeys.end() && known->second == key) {
    return;  // the answers to the other first requests bring the same key
  }
  Settings(ctx_.env).SaveCharacterKey(pending_name_, pending_cid_, key);
  // Sent only once it is kept: a key in use that the file lost would lock the character out.
  ctx_.CharacterKeys[pending_cid_] = key;
}

void WebRequest::TellRefusal(const platform::HttpResponse& answer) {
  const std::string why = platform::HeaderValue(answer.headers, wire::header::kRefused);
  std::string text;
  try {
    text = ctx_.env.code_page.ToUtf8(answer.body);
  } catch (const std::exception&) {
    // Text the code page cannot read: our own line says it instead.
  }
  const std::string line = RefusalLine(text, why);
  if (ShowAgain(ctx_, "refused\n" + line)) PrintChat(ctx_, line, kChatColor, true);
}

void WebRequest::Reset() {
  ready_state_ = kIdle;
  request_ = 0;
  pending_url_.clear();
}

std::string WebRequest::HTTPEncoder(std::string_view TheString) const {
  return wire::FormEncoded(TheString, ctx_.env.code_page);
}

}  // namespace ostravel
