#pragma once

#include <winsock2.h>
// windows.h after winsock2.h, which asio (through EventLoop.h) also includes.
#include <windows.h>
#include <winhttp.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/HttpClient.h"
#include "platform/Win32Lock.h"

// WinHTTP's side of the Windows HTTP client: one transfer's callback state machine, run on
// WinHTTP's threads, and what it shares with the client on the loop's thread.
namespace ostravel::platform {

// The texts every back end gives for the failures the player may read about; otherwise
// WinHTTP's own text.
std::string WinHttpFailureText(DWORD error);

// What the client shares with WinHTTP's threads: the count of request handles not yet closed
// lets the client wait, when it is destroyed, until no callback can reach it any more.
struct WinHttpShared {
  WinHttpShared(HttpOptions http_options, HINTERNET session_handle)
      : options(http_options), session(session_handle) {}

  const HttpOptions options;
  const HINTERNET session;
  // Hands a finished transfer's answer to the loop; called on WinHTTP's threads.
  std::function<void(HttpClient::RequestId, HttpResponse)> deliver;

  SrwLock mutex;
  CONDITION_VARIABLE all_closed = CONDITION_VARIABLE_INIT;
  int open_requests = 0;

  void RequestClosed();
};

// One POST with the redirects it takes. Its stages run on WinHTTP's threads, one at a time;
// the loop's thread only starts it and stops it. Each request handle holds a reference to it
// as its context, released when WinHTTP closes the handle.
class WinHttpTransfer : public std::enable_shared_from_this<WinHttpTransfer> {
 public:
  WinHttpTransfer(std::shared_ptr<WinHttpShared> shared, HttpClient::RequestId id,
                  HttpRequest request)
      : shared_(std::move(shared)),
        id_(id),
        first_url_(request.url),
        url_(std::move(request.url)),
        header_lines_(std::move(request.headers)),
        origin_lines_(std::move(request.origin_headers)),
        body_(std::move(request.body)) {}

  const std::shared_ptr<WinHttpShared>& SharedState() const { return shared_; }
  void Begin();

  // Drops the transfer; no completion comes from it any more.
  void Stop();
  void OnStatus(HINTERNET handle, DWORD status, void* info, DWORD length);

 private:
  // Opens a request for url_ and sends it; returns the error that stopped it, 0 when sent.
  DWORD Open(bool post);
  void OnHeaders();
  void OnDataAvailable(DWORD available);
  void OnRead(DWORD count);
  std::string QueryText(DWORD query) const;
  // WinHTTP's error as the player reads it: the texts every back end shares where they apply.
  std::string Failure(DWORD error) const;
  std::string TooLarge() const;
  void Succeed();
  void Fail(std::string error);
  void Finish(HttpResponse response);
  void CloseHandles();

  const std::shared_ptr<WinHttpShared> shared_;
  const HttpClient::RequestId id_;
  // Recursive: WinHTTP may call back from inside a call made from a callback (a receive that
  // finds the headers already there reports them at once, on the same thread).
  RecursiveLock mutex_;
  const std::string first_url_;
  std::string url_;
  const std::vector<std::string> header_lines_;
  const std::vector<std::string> origin_lines_;
  bool at_origin_ = true;  // no hop has left the first URL's origin yet
  std::string body_;       // not changed; WinHTTP takes it as a plain pointer
  bool post_ = true;
  HINTERNET connect_ = nullptr;
  HINTERNET request_ = nullptr;
  int redirects_ = 0;
  long status_ = 0;
  std::vector<HttpHeader> answer_headers_;
  std::string received_;
  std::array<char, 65536> buffer_{};
  bool finished_ = false;
};

}  // namespace ostravel::platform
