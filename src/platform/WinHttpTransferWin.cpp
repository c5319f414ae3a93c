#include <algorithm>
#include <charconv>
#include <mutex>

#include "platform/HttpRedirect.h"
#include "platform/WideText.h"
#include "platform/WinHttpTransfer.h"

namespace ostravel::platform {
namespace {

constexpr DWORD kCallbackFlags =
    WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if ((a >= 'A' && a <= 'Z' ? a + 32 : a) != (b >= 'A' && b <= 'Z' ? b + 32 : b)) return false;
  }
  return true;
}

// A Location header as an absolute address, taken relative to the address that answered.
std::string ResolveLocation(const std::string& base, const std::string& location) {
  if (location.empty() || !UrlScheme(location).empty()) return location;
  if (location.starts_with("//")) return UrlScheme(base) + ":" + location;
  const std::size_t authority = base.find("://");
  const std::size_t path = base.find('/', authority == std::string::npos ? 0 : authority + 3);
  const std::string origin = path == std::string::npos ? base : base.substr(0, path);
  if (location.starts_with("/")) return origin + location;
  std::string directory = path == std::string::npos ? "/" : base.substr(path);
  directory = directory.substr(0, directory.find_first_of("?#"));
  return origin + directory.substr(0, directory.rfind('/') + 1) + location;
}

void CALLBACK OnWinHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD length);

}  // namespace

// The texts every back end gives for the failures the player may read about; otherwise
// WinHTTP's own text.
std::string WinHttpFailureText(DWORD error) {
  if (error == ERROR_WINHTTP_CANNOT_CONNECT) return "connection refused";
  if (error == ERROR_WINHTTP_TIMEOUT) return "timed out";
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string result = length && text ? ToUtf8(std::wstring_view(text, length)) : "";
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result.empty() ? "WinHTTP error " + std::to_string(error) : result;
}

void WinHttpShared::RequestClosed() {
  std::lock_guard lock(mutex);
  if (--open_requests == 0) WakeAllConditionVariable(&all_closed);
}

void WinHttpTransfer::Begin() {
  std::lock_guard lock(mutex_);
  if (const DWORD error = Open(true); error != 0) Fail(Failure(error));
}

void WinHttpTransfer::Stop() {
  std::lock_guard lock(mutex_);
  finished_ = true;
  CloseHandles();
}

void WinHttpTransfer::OnStatus(HINTERNET handle, DWORD status, void* info, DWORD length) {
  std::lock_guard lock(mutex_);
  if (finished_ || handle != request_) return;  // stopped, or a closed hop's last word
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
      if (!WinHttpReceiveResponse(request_, nullptr)) Fail(Failure(GetLastError()));
      break;
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      OnHeaders();
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      OnDataAvailable(*static_cast<DWORD*>(info));
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      OnRead(length);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      Fail(Failure(static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError));
      break;
    default:
      break;
  }
}

DWORD WinHttpTransfer::Open(bool post) {
  post_ = post;
  std::wstring wide_url = ToWide(url_);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) return GetLastError();
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (target.empty()) target = L"/";

  connect_ = WinHttpConnect(shared_->session, host.c_str(), parts.nPort, 0);
  if (!connect_) return GetLastError();
  request_ = WinHttpOpenRequest(connect_, post ? L"POST" : L"GET", target.c_str(), nullptr,
                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                secure ? WINHTTP_FLAG_SECURE : 0);
  if (!request_) return GetLastError();
  // Only request handles call back: each one's closing is counted, and nothing else of
  // WinHTTP's reaches this code once the client has seen the count reach zero.
  WinHttpSetStatusCallback(request_, OnWinHttpStatus, kCallbackFlags, 0);
  // From here the handle holds the transfer until WinHTTP closes it.
  auto* holder = new std::shared_ptr<WinHttpTransfer>(shared_from_this());
  auto context = reinterpret_cast<DWORD_PTR>(holder);
  if (!WinHttpSetOption(request_, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
    delete holder;
    return GetLastError();
  }
  {
    std::lock_guard lock(shared_->mutex);
    ++shared_->open_requests;
  }
  // Redirects are followed here: WinHTTP's own would go from https to http and would not
  // count them as the rules say.
  DWORD disable = WINHTTP_DISABLE_REDIRECTS;
  WinHttpSetOption(request_, WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable);
  DWORD header_limit = static_cast<DWORD>(shared_->options.max_header_bytes);
  WinHttpSetOption(request_, WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, &header_limit,
                   sizeof header_limit);
  const int connect_ms = static_cast<int>(shared_->options.connect_timeout.count());
  const int total_ms = static_cast<int>(shared_->options.total_timeout.count());
  WinHttpSetTimeouts(request_, connect_ms, connect_ms, total_ms, total_ms);

  std::wstring headers;
  const auto add = [&](const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
      if (!post && StartsWithNoCase(line, "content-")) continue;
      headers += ToWide(line) + L"\r\n";
    }
  };
  add(header_lines_);
  if (at_origin_) add(origin_lines_);
  if (!headers.empty() &&
      !WinHttpAddRequestHeaders(request_, headers.c_str(), static_cast<DWORD>(-1),
                                WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
    return GetLastError();
  }
  const DWORD size = post ? static_cast<DWORD>(body_.size()) : 0;
  if (!WinHttpSendRequest(request_, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          size ? body_.data() : WINHTTP_NO_REQUEST_DATA, size, size, context)) {
    return GetLastError();
  }
  return 0;
}

void WinHttpTransfer::OnHeaders() {
  // Windows refuses a larger header itself (the option set in Open); wine's WinHTTP does not.
  DWORD header_size = 0;
  WinHttpQueryHeaders(request_, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX,
                      WINHTTP_NO_OUTPUT_BUFFER, &header_size, WINHTTP_NO_HEADER_INDEX);
  if (header_size / sizeof(wchar_t) > shared_->options.max_header_bytes) {
    return Fail(Failure(ERROR_WINHTTP_HEADER_SIZE_OVERFLOW));
  }
  DWORD status = 0;
  DWORD size = sizeof status;
  WinHttpQueryHeaders(request_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  status_ = static_cast<long>(status);
  const std::string to_url = ResolveLocation(url_, QueryText(WINHTTP_QUERY_LOCATION));
  const RedirectStep step =
      NextRedirect(status_, url_, to_url, redirects_, shared_->options.max_redirects);
  if (step.kind == RedirectStep::Kind::kRefuse) return Fail(step.error);
  if (step.kind == RedirectStep::Kind::kFollow) {
    CloseHandles();
    ++redirects_;
    at_origin_ = at_origin_ && SameOrigin(first_url_, to_url);
    url_ = to_url;
    if (const DWORD error = Open(post_ && step.keep_method); error != 0) {
      Fail(Failure(error));
    }
    return;
  }
  // An answer that announces its size fails before its first byte is read.
  const std::string announced = QueryText(WINHTTP_QUERY_CONTENT_LENGTH);
  unsigned long long length = 0;
  const auto [end, error] =
      std::from_chars(announced.data(), announced.data() + announced.size(), length);
  if (error == std::errc::result_out_of_range ||
      (error == std::errc() && length > shared_->options.max_answer_bytes)) {
    return Fail(TooLarge());
  }
  answer_headers_ = ParseHeaderBlock(QueryText(WINHTTP_QUERY_RAW_HEADERS_CRLF));
  if (!WinHttpQueryDataAvailable(request_, nullptr)) Fail(Failure(GetLastError()));
}

void WinHttpTransfer::OnDataAvailable(DWORD available) {
  if (available == 0) return Succeed();
  const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer_.size()));
  if (!WinHttpReadData(request_, buffer_.data(), wanted, nullptr)) {
    Fail(Failure(GetLastError()));
  }
}

void WinHttpTransfer::OnRead(DWORD count) {
  if (count == 0) return Succeed();
  received_.append(buffer_.data(), count);
  if (received_.size() > shared_->options.max_answer_bytes) return Fail(TooLarge());
  if (!WinHttpQueryDataAvailable(request_, nullptr)) Fail(Failure(GetLastError()));
}

std::string WinHttpTransfer::QueryText(DWORD query) const {
  // The first call asks for the size; the header is bounded by max_header_bytes (OnHeaders).
  DWORD size = 0;
  WinHttpQueryHeaders(request_, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request_, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  return ToUtf8(std::wstring_view(text.data(), size / sizeof(wchar_t)));
}

std::string WinHttpTransfer::Failure(DWORD error) const {
  if (error == ERROR_WINHTTP_HEADER_SIZE_OVERFLOW) {
    return "answer header larger than " + std::to_string(shared_->options.max_header_bytes) +
           " bytes";
  }
  return WinHttpFailureText(error);
}

std::string WinHttpTransfer::TooLarge() const {
  return "answer larger than " + std::to_string(shared_->options.max_answer_bytes) + " bytes";
}

void WinHttpTransfer::Succeed() {
  HttpResponse response;
  response.transferred = true;
  response.status = status_;
  response.body = std::move(received_);
  response.headers = std::move(answer_headers_);
  Finish(std::move(response));
}

void WinHttpTransfer::Fail(std::string error) {
  HttpResponse response;
  response.status = status_;
  response.error = std::move(error);
  Finish(std::move(response));
}

void WinHttpTransfer::Finish(HttpResponse response) {
  if (finished_) return;  // a nested callback finished it first
  finished_ = true;
  response.left_origin = !at_origin_;
  CloseHandles();
  shared_->deliver(id_, std::move(response));
}

void WinHttpTransfer::CloseHandles() {
  if (request_) WinHttpCloseHandle(request_);
  if (connect_) WinHttpCloseHandle(connect_);
  request_ = nullptr;
  connect_ = nullptr;
}

namespace {

void CALLBACK OnWinHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD length) {
  auto* holder = reinterpret_cast<std::shared_ptr<WinHttpTransfer>*>(context);
  if (!holder) return;  // a connection handle, or a request before its context was set
  if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    // The client owns the shared state until it has seen every request closed, so the last
    // reference (and the code that frees it) never goes away on WinHTTP's thread.
    WinHttpShared* shared = (*holder)->SharedState().get();
    delete holder;
    shared->RequestClosed();
    return;
  }
  try {
    const auto transfer = *holder;
    transfer->OnStatus(handle, status, info, length);
  } catch (...) {
    // Nothing may unwind into WinHTTP. What can throw here is an allocation; the request is
    // then left to the total time limit, which fails it on the loop.
  }
}

}  // namespace

}  // namespace ostravel::platform
