#include "web/WebRequest.h"

#include <array>

#include "common/Context.h"
#include "common/Error.h"
#include "common/ErrorHandler.h"
#include "platform/CodePage.h"

namespace ostravel {
namespace {

constexpr std::string_view kModule = "WebRequest";
constexpr std::string_view kBusyText =
    "Server busy or unavaliable. Please wait a little before trying again.";
constexpr std::int32_t kIdle = 0;
constexpr std::int32_t kSent = 1;
constexpr std::int32_t kCompleted = 4;

// Stands for an "&" inside a value. A private-use character: no code page holds it, so it
// cannot come from the player's text any other way than as "?".
constexpr std::string_view kValueAmpersand = "\xEE\x80\xA6";  // U+E026
constexpr char32_t kValueAmpersandCodePoint = 0xE026;

bool KeptAsIs(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
         c == '@' || c == '.' || c == '_' || c == '-' || c == '&' || c == '=';
}

void AppendHex(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  unsigned code = 0;
  for (unsigned char byte : bytes) code = code << 8 | byte;
  std::array<char, 8> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = kDigits[code & 0xF];
    code >>= 4;
  } while (code != 0);
  out += count < 2 ? "%0" : "%";
  while (count > 0) out += digits[--count];
}

}  // namespace

WebRequest::WebRequest(Context& ctx) : ctx_(ctx) {}

WebRequest::~WebRequest() {
  if (ready_state_ != kIdle && ctx_.env.http) ctx_.env.http->Abort(request_);
}

void WebRequest::Post(const std::string& URL, const std::string& PostString,
                      const std::string& Callback) {
  ErrorHandler{ctx_, kModule, "Post"}([&] {
    if (!URL.empty() && URL.front() == '/') return;
    if (ready_state_ != kIdle) {
      if (Callback == "RefreshUpdate") Response.Emit(std::string(kBusyText), "PrintResponse");
      return;
    }
    auto& http = Require(ctx_.env.http);
    PendingCallback = Callback;
    std::string body = HTTPEncoder(PostString);  // plain ASCII
    request_ = http.Post(
        URL, {"Content-Type: application/x-www-form-urlencoded", "User-Agent: Ostravel 3004"},
        std::move(body),
        [this](platform::HttpResponse answer) { OnReadyStateChange(std::move(answer)); });
    ready_state_ = kSent;
  });
}

void WebRequest::OnReadyStateChange(platform::HttpResponse answer) {
  ready_state_ = kCompleted;
  ErrorHandler{ctx_, kModule, "OnReadyStateChange"}([&] {
    std::string text;
    try {
      text = ctx_.env.code_page.ToUtf8(answer.body);
    } catch (...) {
      // An answer that cannot be read must not leave the object busy for ever.
      Reset();
      throw;
    }
    Reset();
    const std::string callback = PendingCallback;
    Response.Emit(text, callback);
  });
}

void WebRequest::Reset() {
  ready_state_ = kIdle;
  request_ = 0;
}

std::string WebRequest::HTTPEncoder(std::string_view TheString) const {
  std::string encoded;
  encoded.reserve(TheString.size() + TheString.size() / 4);
  for (std::size_t pos = 0; pos < TheString.size();) {
    const char32_t c = platform::NextCodePoint(TheString, pos);
    if (KeptAsIs(c)) {
      encoded += static_cast<char>(c);
    } else if (c == ' ') {
      encoded += '+';
    } else if (c == kValueAmpersandCodePoint) {
      encoded += "%26";
    } else {
      AppendHex(encoded, ctx_.env.code_page.EncodeChar(c));
    }
  }
  return encoded;
}

std::string FieldValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (char c : value) {
    if (c == '&') {
      escaped += kValueAmpersand;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace ostravel
