#include "platform/WinHttpTransfer.h"
// After winsock2.h and windows.h, which WinHttpTransfer.h brings in first.
#include <map>
#include <mutex>

#include "platform/EventLoop.h"
#include "platform/HttpClient.h"

namespace ostravel::platform {
namespace {

// The requests still wanted, kept on the loop's side: a completion that arrives for an id no
// longer here was aborted (or timed out) and is dropped.
struct Pending {
  struct Entry {
    HttpClient::Completion done;
    std::shared_ptr<WinHttpTransfer> transfer;
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
      : loop_(loop), shared_(std::make_shared<WinHttpShared>(options, OpenSession())) {
    shared_->deliver = [&loop, weak = std::weak_ptr<Pending>(pending_)](RequestId id,
                                                                        HttpResponse response) {
      loop.Post([weak, id, response = std::move(response)]() mutable {
        if (const auto pending = weak.lock()) pending->Complete(id, std::move(response));
      });
    };
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

  RequestId Send(HttpRequest request, Completion done) override {
    const RequestId id = ++last_id_;
    auto transfer = std::make_shared<WinHttpTransfer>(shared_, id, std::move(request));
    auto timer = loop_.CreateTimer();
    timer->Start(shared_->options.total_timeout, [this, id] { TimeOut(id); });
    pending_->entries.emplace(id, Pending::Entry{std::move(done), transfer, std::move(timer)});
    if (shared_->session) {
      transfer->Begin();
    } else {
      // Failed later on the loop, as every completion comes.
      loop_.Post([weak = std::weak_ptr<Pending>(pending_), id] {
        HttpResponse response;
        response.error = WinHttpFailureText(ERROR_WINHTTP_INTERNAL_ERROR);
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
  std::shared_ptr<WinHttpShared> shared_;
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
