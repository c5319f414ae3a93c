#include <winsock2.h>
// windows.h after winsock2.h, which asio (through EventLoop.h) also includes.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <mutex>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "platform/HttpRedirect.h"

namespace ostravel::platform {
namespace {

// Locks made of Win32 alone: this code runs on WinHTTP's threads, and the C++ library's
// locks would leave per-thread records there that outlive an unloaded DLL.
class SrwLock {
 public:
  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }
  SRWLOCK* Native() { return &lock_; }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

class RecursiveLock {
 public:
  RecursiveLock() { InitializeCriticalSection(&section_); }
  ~RecursiveLock() { DeleteCriticalSection(&section_); }
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

constexpr DWORD kCallbackFlags =
    WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    if ((a >= 'A' && a <= 'Z' ? a + 32 : a) != (b >= 'A' && b <= 'Z' ? b + 32 : b)) return false;
  }
  return true;
}

// The texts every back end gives for the failures the player may read about; otherwise
// WinHTTP's own text.
std::string FailureText(DWORD error) {
  if (error == ERROR_WINHTTP_CANNOT_CONNECT) return "connection refused";
  if (error == ERROR_WINHTTP_TIMEOUT) return "timed out";
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string result = length && text ? Narrow(std::wstring_view(text, length)) : "";
  if (text) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  return result.empty() ? "WinHTTP error " + std::to_string(error) : result;
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

class Transfer;

void CALLBACK OnWinHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD length);

// The requests still wanted, kept on the loop's side: a completion that arrives for an id no
// longer here was aborted (or timed out) and is dropped.
struct Pending {
  struct Entry {
    HttpClient::Completion done;
    std::shared_ptr<Transfer> transfer;
    std::unique_ptr<LoopTimer> timer;  // the total time limit, redirects included
  };
  std::map<HttpClient::RequestId, Entry> entries;

  // Runs the completion of `id` once, if it is still wanted.
  void Complete(HttpClient::RequestId id, HttpResponse response) {
    auto found = entries.find(id);
    if (found == entries.end()) return;
    auto done = std::move(found->second.done);
    entries.erase(found);
    done(std::move(response));
  }
};

// What the client shares with WinHTTP's threads: the count of request handles not yet closed
// lets the client wait, when it is destroyed, until no callback can reach it any more.
struct Shared {
  Shared(EventLoop& event_loop, HttpOptions http_options, HINTERNET session_handle)
      : loop(event_loop), options(http_options), session(session_handle) {}

  EventLoop& loop;
  const HttpOptions options;
  const HINTERNET session;
  std::weak_ptr<Pending> pending;

  SrwLock mutex;
  CONDITION_VARIABLE all_closed = CONDITION_VARIABLE_INIT;
  int open_requests = 0;

  void RequestClosed() {
    std::lock_guard lock(mutex);
    if (--open_requests == 0) WakeAllConditionVariable(&all_closed);
  }
};

// One POST with the redirects it takes. Its stages run on WinHTTP's threads, one at a time;
// the loop's thread only starts it and stops it. Each request handle holds a reference to it
// as its context, released when WinHTTP closes the handle.
class Transfer : public std::enable_shared_from_this<Transfer> {
 public:
  Transfer(std::shared_ptr<Shared> shared, HttpClient::RequestId id, std::string url,
           std::vector<std::string> headers, std::string body)
      : shared_(std::move(shared)),
        id_(id),
        url_(std::move(url)),
        header_lines_(std::move(headers)),
        body_(std::move(body)) {}

  const std::shared_ptr<Shared>& SharedState() const { return shared_; }

  void Begin() {
    std::lock_guard lock(mutex_);
    if (const DWORD error = Open(true); error != 0) Fail(FailureText(error));
  }

  // Drops the transfer; no completion comes from it any more.
  void Stop() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    CloseHandles();
  }

  void OnStatus(HINTERNET handle, DWORD status, void* info, DWORD length) {
    std::lock_guard lock(mutex_);
    if (finished_ || handle != request_) return;  // stopped, or a closed hop's last word
    switch (status) {
      case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
        if (!WinHttpReceiveResponse(request_, nullptr)) Fail(FailureText(GetLastError()));
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
        Fail(FailureText(static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError));
        break;
      default:
        break;
    }
  }

 private:
  // Opens a request for url_ and sends it; returns the error that stopped it, 0 when sent.
  DWORD Open(bool post) {
    post_ = post;
    std::wstring wide_url = Widen(url_);
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
    auto* holder = new std::shared_ptr<Transfer>(shared_from_this());
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
    const int connect_ms = static_cast<int>(shared_->options.connect_timeout.count());
    const int total_ms = static_cast<int>(shared_->options.total_timeout.count());
    WinHttpSetTimeouts(request_, connect_ms, connect_ms, total_ms, total_ms);

    std::wstring headers;
    for (const auto& line : header_lines_) {
      if (!post && StartsWithNoCase(line, "content-")) continue;
      headers += Widen(line) + L"\r\n";
    }
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

  void OnHeaders() {
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
      url_ = to_url;
      if (const DWORD error = Open(post_ && step.keep_method); error != 0) {
        Fail(FailureText(error));
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
    if (!WinHttpQueryDataAvailable(request_, nullptr)) Fail(FailureText(GetLastError()));
  }

  void OnDataAvailable(DWORD available) {
    if (available == 0) return Succeed();
    const DWORD wanted = std::min<DWORD>(available, static_cast<DWORD>(buffer_.size()));
    if (!WinHttpReadData(request_, buffer_.data(), wanted, nullptr)) {
      Fail(FailureText(GetLastError()));
    }
  }

  void OnRead(DWORD count) {
    if (count == 0) return Succeed();
    received_.append(buffer_.data(), count);
    if (received_.size() > shared_->options.max_answer_bytes) return Fail(TooLarge());
    if (!WinHttpQueryDataAvailable(request_, nullptr)) Fail(FailureText(GetLastError()));
  }

  std::string QueryText(DWORD query) const {
    std::array<wchar_t, 2048> text{};
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!WinHttpQueryHeaders(request_, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
      return {};
    }
    return Narrow(std::wstring_view(text.data(), size / sizeof(wchar_t)));
  }

  std::string TooLarge() const {
    return "answer larger than " + std::to_string(shared_->options.max_answer_bytes) + " bytes";
  }

  void Succeed() {
    HttpResponse response;
    response.transferred = true;
    response.status = status_;
    response.body = std::move(received_);
    Finish(std::move(response));
  }

  void Fail(std::string error) {
    HttpResponse response;
    response.status = status_;
    response.error = std::move(error);
    Finish(std::move(response));
  }

  void Finish(HttpResponse response) {
    if (finished_) return;  // a nested callback finished it first
    finished_ = true;
    CloseHandles();
    shared_->loop.Post(
        [weak = shared_->pending, id = id_, response = std::move(response)]() mutable {
          if (const auto pending = weak.lock()) pending->Complete(id, std::move(response));
        });
  }

  void CloseHandles() {
    if (request_) WinHttpCloseHandle(request_);
    if (connect_) WinHttpCloseHandle(connect_);
    request_ = nullptr;
    connect_ = nullptr;
  }

  const std::shared_ptr<Shared> shared_;
  const HttpClient::RequestId id_;
  // Recursive: WinHTTP may call back from inside a call made from a callback (a receive that
  // finds the headers already there reports them at once, on the same thread).
  RecursiveLock mutex_;
  std::string url_;
  const std::vector<std::string> header_lines_;
  std::string body_;  // not changed; WinHTTP takes it as a plain pointer
  bool post_ = true;
  HINTERNET connect_ = nullptr;
  HINTERNET request_ = nullptr;
  int redirects_ = 0;
  long status_ = 0;
  std::string received_;
  std::array<char, 65536> buffer_{};
  bool finished_ = false;
};

void CALLBACK OnWinHttpStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD length) {
  auto* holder = reinterpret_cast<std::shared_ptr<Transfer>*>(context);
  if (!holder) return;  // a connection handle, or a request before its context was set
  if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
    // The client owns the shared state until it has seen every request closed, so the last
    // reference (and the code that frees it) never goes away on WinHTTP's thread.
    Shared* shared = (*holder)->SharedState().get();
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

// The system's proxy: found by the system itself where it can (Windows 8.1 and later), else
// the one set for the current user, else none.
HINTERNET OpenSession() {
  constexpr auto kAgent = L"Ostravel";
  HINTERNET session =
      WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                  WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
  if (session) return session;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    if (user.lpszProxy) {
      session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.lpszProxy,
                            user.lpszProxyBypass ? user.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS,
                            WINHTTP_FLAG_ASYNC);
    }
    for (LPWSTR text : {user.lpszAutoConfigUrl, user.lpszProxy, user.lpszProxyBypass}) {
      if (text) GlobalFree(text);
    }
  }
  if (session) return session;
  return WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                     WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
}

class WinHttpClient final : public HttpClient {
 public:
  WinHttpClient(EventLoop& loop, HttpOptions options)
      : loop_(loop), shared_(std::make_shared<Shared>(loop, options, OpenSession())) {
    shared_->pending = pending_;
  }

  ~WinHttpClient() override {
    for (auto& [id, entry] : pending_->entries) entry.transfer->Stop();
    pending_.reset();
    // WinHTTP may still be inside a callback of a closed request; the host may unload this
    // code right after, so wait (briefly) until every request handle is gone.
    {
      std::lock_guard lock(shared_->mutex);
      const auto deadline = GetTickCount64() + 5000;
      while (shared_->open_requests > 0 && GetTickCount64() < deadline) {
        SleepConditionVariableSRW(&shared_->all_closed, shared_->mutex.Native(),
                                  static_cast<DWORD>(deadline - GetTickCount64()), 0);
      }
    }
    if (shared_->session) WinHttpCloseHandle(shared_->session);
  }

  RequestId Post(const std::string& url, const std::vector<std::string>& headers, std::string body,
                 Completion done) override {
    const RequestId id = ++last_id_;
    auto transfer = std::make_shared<Transfer>(shared_, id, url, headers, std::move(body));
    auto timer = loop_.CreateTimer();
    timer->Start(shared_->options.total_timeout, [this, id] { TimeOut(id); });
    pending_->entries.emplace(id, Pending::Entry{std::move(done), transfer, std::move(timer)});
    if (shared_->session) {
      transfer->Begin();
    } else {
      // Failed later on the loop, as every completion comes.
      loop_.Post([weak = std::weak_ptr<Pending>(pending_), id] {
        HttpResponse response;
        response.error = FailureText(ERROR_WINHTTP_INTERNAL_ERROR);
        if (const auto pending = weak.lock()) pending->Complete(id, std::move(response));
      });
    }
    return id;
  }

  void Abort(RequestId id) override {
    const auto found = pending_->entries.find(id);
    if (found == pending_->entries.end()) return;
    found->second.transfer->Stop();
    pending_->entries.erase(found);
  }

  std::size_t InFlight() const override { return pending_->entries.size(); }

 private:
  void TimeOut(RequestId id) {
    const auto found = pending_->entries.find(id);
    if (found == pending_->entries.end()) return;
    found->second.transfer->Stop();
    HttpResponse response;
    response.error = "timed out";
    pending_->Complete(id, std::move(response));
  }

  EventLoop& loop_;
  std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
  std::shared_ptr<Shared> shared_;
  RequestId last_id_ = 0;
};

// WinHTTP's threads belong to the system and outlive our handles: after the last callback a
// thread still returns through our code and may keep per-thread data whose clean-up is ours.
// Were the module unloaded then, that thread would run into freed code, so the module that
// holds this code stays loaded until the process ends once HTTP has been used.
void PinThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&PinThisModule), &module);
}

}  // namespace

std::unique_ptr<HttpClient> HttpClient::Create(EventLoop& loop, HttpOptions options) {
  PinThisModule();
  return std::make_unique<WinHttpClient>(loop, options);
}

}  // namespace ostravel::platform
