#include "platform/HttpClient.h"

#include <curl/curl.h>

#include <array>
#include <asio/post.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "base/AsciiText.h"
#include "base/Error.h"
#include "platform/EventLoop.h"
#include "platform/HttpRedirect.h"

namespace ostravel::platform {
namespace {

// How long the worker sleeps when libcurl wants nothing sooner: Post, Abort and the end wake
// it at once.
constexpr int kIdleWaitMs = 60 * 60 * 1000;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;
using Easy = std::unique_ptr<CURL, EasyDeleter>;
using Multi = std::unique_ptr<CURLM, MultiDeleter>;

// A request as the loop hands it to the worker thread.
struct Request {
  HttpClient::RequestId id = 0;
  HttpRequest request;
};

// One transfer as the worker thread holds it, through every redirect it follows.
struct Transfer {
  HttpClient::RequestId id = 0;
  Easy easy;
  std::vector<std::string> header_lines;
  std::vector<std::string> origin_lines;
  bool at_origin = true;     // no hop has left the first URL's origin yet
  bool with_content = true;  // the body and its header lines still go along
  Slist headers;
  std::string body;
  std::string first_url;
  std::string url;  // where the current hop goes
  int redirects = 0;
  std::chrono::steady_clock::time_point deadline;
  std::size_t limit = 0;
  bool cut_off = false;
  std::size_t header_limit = 0;
  std::size_t header_bytes = 0;  // of the current hop's answer
  bool header_cut_off = false;
  bool in_header = false;  // the status line has come, the empty line that ends the header not
  std::string refusal;     // why a redirect was not followed
  std::string received;
  std::vector<HttpHeader> answer_headers;  // of the current hop's latest answer
};

std::size_t Receive(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (bytes > transfer.limit - transfer.received.size()) {
    // Returning less than was given stops the transfer; what came so far is of no use.
    transfer.cut_off = true;
    std::string().swap(transfer.received);
    return 0;
  }
  transfer.received.append(data, bytes);
  return bytes;
}

std::size_t ReceiveHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  transfer.header_bytes += bytes;
  if (transfer.header_bytes > transfer.header_limit) {
    transfer.header_cut_off = true;
    return 0;
  }
  transfer.in_header = !(bytes <= 2 && (data[0] == '\r' || data[0] == '\n'));
  const std::string_view line(data, bytes);
  // A status line starts an answer of its own (an interim 100 Continue comes before the real
  // one): only the last answer's fields count.
  if (line.starts_with("HTTP/")) transfer.answer_headers.clear();
  AddHeaderLine(transfer.answer_headers, line);
  return bytes;
}

// libcurl refuses a single header line longer than its own buffer (100 KiB, more than our
// limit) as if memory had run out, before the line reaches ReceiveHeader.
bool CurlRefusedHeader(const Transfer& transfer, CURLcode result) {
#if LIBCURL_VERSION_NUM >= 0x080600
  if (result == CURLE_TOO_LARGE) return true;
#endif
  return result == CURLE_OUT_OF_MEMORY && transfer.in_header;
}

// The header lines the transfer's current hop sends.
Slist MakeHeaderList(const Transfer& transfer) {
  Slist list;
  const auto add = [&](const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
      if (!transfer.with_content && LowerCase(line.substr(0, 8)) == "content-") continue;
      curl_slist* longer = curl_slist_append(list.get(), line.c_str());
      if (!longer) throw Error(error_number::kOutOfMemory, "Out of memory");
      list.release();
      list.reset(longer);
    }
  };
  add(transfer.header_lines);
  if (transfer.at_origin) add(transfer.origin_lines);
  return list;
}

// The completions still wanted, kept on the loop's side: a completion that arrives for an id
// no longer here was aborted and is dropped.
struct Pending {
  std::map<HttpClient::RequestId, HttpClient::Completion> completions;
  bool wake_scheduled = false;
};

class CurlHttpClient final : public HttpClient {
 public:
  CurlHttpClient(EventLoop& loop, HttpOptions options)
      : loop_(loop), options_(options), multi_(curl_multi_init()) {
    if (!multi_) throw Error(error_number::kOutOfMemory, "Out of memory");
    worker_ = std::thread([this] { Run(); });
  }

  ~CurlHttpClient() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    curl_multi_wakeup(multi_.get());
    worker_.join();
    // Every easy handle leaves the multi handle before either is cleaned up.
    for (auto& [id, transfer] : transfers_) {
      curl_multi_remove_handle(multi_.get(), transfer->easy.get());
    }
    transfers_.clear();
  }

  RequestId Send(HttpRequest request, Completion done) override {
    // Only the hand-over happens here; the transfer is set up on the worker thread, so the
    // loop's thread is held for no more than a lock and a wake-up.
    const RequestId id = ++last_id_;
    pending_->completions.emplace(id, std::move(done));
    {
      std::lock_guard lock(mutex_);
      to_add_.push_back(Request{id, std::move(request)});
    }
    WakeWorkerSoon();
    return id;
  }

  void Abort(RequestId id) override {
    if (pending_->completions.erase(id) == 0) return;
    {
      std::lock_guard lock(mutex_);
      to_abort_.push_back(id);
    }
    curl_multi_wakeup(multi_.get());
  }

  std::size_t InFlight() const override { return pending_->completions.size(); }

 private:
  // Wakes the worker once the handler that posted has returned: the requests one event starts
  // (a minute's tick refreshes four pages) go with one wake-up, and the caller does not wait
  // for the worker to be scheduled.
  void WakeWorkerSoon() {
    if (pending_->wake_scheduled) return;
    pending_->wake_scheduled = true;
    loop_.Post([weak = std::weak_ptr<Pending>(pending_), multi = multi_.get()] {
      auto pending = weak.lock();
      if (!pending) return;
      pending->wake_scheduled = false;
      curl_multi_wakeup(multi);
    });
  }

  std::unique_ptr<Transfer> MakeTransfer(Request request) {
    HttpRequest& asked = request.request;
    // libcurl would guess "http://" for a bare "update.php" and look that name up.
    const std::string scheme = UrlScheme(asked.url);
    if (scheme != "http" && scheme != "https") {
      throw Error(error_number::kInvalidCall, "not an http or https address");
    }
    auto transfer = std::make_unique<Transfer>();
    transfer->id = request.id;
    transfer->first_url = asked.url;
    transfer->url = std::move(asked.url);
    transfer->header_lines = std::move(asked.headers);
    transfer->origin_lines = std::move(asked.origin_headers);
    transfer->body = std::move(asked.body);
    transfer->deadline = std::chrono::steady_clock::now() + options_.total_timeout;
    transfer->limit = options_.max_answer_bytes;
    transfer->header_limit = options_.max_header_bytes;
    transfer->easy.reset(curl_easy_init());
    if (!transfer->easy) throw Error(error_number::kOutOfMemory, "Out of memory");
    transfer->headers = MakeHeaderList(*transfer);
    CURL* easy = transfer->easy.get();
    curl_easy_setopt(easy, CURLOPT_URL, transfer->url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer->body.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(transfer->body.size()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer->headers.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, ReceiveHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
    // An answer that announces its size fails before its first byte is read.
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options_.max_answer_bytes));
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options_.connect_timeout.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.total_timeout.count()));
    return transfer;
  }

  // Redirects are followed here rather than by libcurl, whose protocol filter cannot refuse
  // the step from https to http alone. True when the transfer goes on at a new address.
  bool FollowRedirect(Transfer& transfer) {
    CURL* easy = transfer.easy.get();
    long status = 0;
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    const std::string to_url = location ? location : "";
    const RedirectStep step =
        NextRedirect(status, transfer.url, to_url, transfer.redirects, options_.max_redirects);
    if (step.kind == RedirectStep::Kind::kFinal) return false;
    if (step.kind == RedirectStep::Kind::kRefuse) {
      transfer.refusal = step.error;
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        transfer.deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      transfer.refusal = "timed out";
      return false;
    }
    curl_multi_remove_handle(multi_.get(), easy);
    transfer.url = to_url;
    ++transfer.redirects;
    std::string().swap(transfer.received);
    transfer.header_bytes = 0;
    transfer.in_header = false;
    transfer.answer_headers.clear();
    transfer.at_origin = transfer.at_origin && SameOrigin(transfer.first_url, to_url);
    curl_easy_setopt(easy, CURLOPT_URL, transfer.url.c_str());
    if (!step.keep_method) {
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
      transfer.with_content = false;
    }
    transfer.headers = MakeHeaderList(transfer);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers.get());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
    curl_multi_add_handle(multi_.get(), easy);
    return true;
  }

  // The texts every back end gives for the failures the player may read about.
  std::string FailureText(const Transfer& transfer, CURLcode result) const {
    if (!transfer.refusal.empty()) return transfer.refusal;
    if (transfer.cut_off || result == CURLE_FILESIZE_EXCEEDED) {
      return "answer larger than " + std::to_string(options_.max_answer_bytes) + " bytes";
    }
    if (transfer.header_cut_off || CurlRefusedHeader(transfer, result)) {
      return "answer header larger than " + std::to_string(options_.max_header_bytes) + " bytes";
    }
    if (result == CURLE_OPERATION_TIMEDOUT) return "timed out";
    if (result == CURLE_COULDNT_CONNECT) {
      long os_error = 0;
      curl_easy_getinfo(transfer.easy.get(), CURLINFO_OS_ERRNO, &os_error);
      if (os_error == ECONNREFUSED) return "connection refused";
    }
    return curl_easy_strerror(result);
  }

  // The worker thread: takes new and aborted requests, drives the transfers and hands every
  // finished one to the loop.
  void Run() {
    while (TakeCommands()) {
      int running = 0;
      curl_multi_perform(multi_.get(), &running);
      HandOverFinished();
      // libcurl shortens the wait to its own next timeout; idle, only a wake-up ends it.
      curl_multi_poll(multi_.get(), nullptr, 0, kIdleWaitMs, nullptr);
    }
  }

  bool TakeCommands() {
    std::deque<Request> added;
    std::deque<RequestId> aborted;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return false;
      added.swap(to_add_);
      aborted.swap(to_abort_);
    }
    for (auto& request : added) {
      const RequestId id = request.id;
      try {
        auto transfer = MakeTransfer(std::move(request));
        curl_multi_add_handle(multi_.get(), transfer->easy.get());
        transfers_.emplace(id, std::move(transfer));
      } catch (const std::exception& error) {
        HttpResponse failed;
        failed.error = error.what();
        Deliver(id, std::move(failed));
      }
    }
    for (RequestId id : aborted) {
      auto found = transfers_.find(id);
      if (found == transfers_.end()) continue;
      curl_multi_remove_handle(multi_.get(), found->second->easy.get());
      transfers_.erase(found);
    }
    return true;
  }

  void HandOverFinished() {
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      CURL* easy = message->easy_handle;
      const CURLcode result = message->data.result;
      Transfer* transfer = nullptr;
      curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
      if (result == CURLE_OK && FollowRedirectOrFail(*transfer)) continue;
      HttpResponse response;
      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
      response.transferred = result == CURLE_OK && transfer->refusal.empty();
      response.left_origin = !transfer->at_origin;
      if (response.transferred) {
        response.body = std::move(transfer->received);
        response.headers = std::move(transfer->answer_headers);
      } else {
        response.error = FailureText(*transfer, result);
      }
      const RequestId id = transfer->id;
      curl_multi_remove_handle(multi_.get(), easy);
      transfers_.erase(id);
      Deliver(id, std::move(response));
    }
  }

  bool FollowRedirectOrFail(Transfer& transfer) {
    try {
      return FollowRedirect(transfer);
    } catch (const std::exception& error) {
      transfer.refusal = error.what();
      return false;
    }
  }

  void Deliver(RequestId id, HttpResponse response) {
    std::weak_ptr<Pending> weak = pending_;
    loop_.Post([weak, id, response = std::move(response)]() mutable {
      auto pending = weak.lock();
      if (!pending) return;
      auto found = pending->completions.find(id);
      if (found == pending->completions.end()) return;
      auto done = std::move(found->second);
      pending->completions.erase(found);
      done(std::move(response));
    });
  }

  EventLoop& loop_;
  HttpOptions options_;
  Multi multi_;  // outlives the transfers
  RequestId last_id_ = 0;
  // Loop side.
  std::shared_ptr<Pending> pending_ = std::make_shared<Pending>();
  // Shared between the loop and the worker.
  std::mutex mutex_;
  bool stopping_ = false;
  std::deque<Request> to_add_;
  std::deque<RequestId> to_abort_;
  // Worker side.
  std::map<RequestId, std::unique_ptr<Transfer>> transfers_;
  std::thread worker_;
};

}  // namespace

std::unique_ptr<HttpClient> HttpClient::Create(EventLoop& loop, HttpOptions options) {
  InitCurlOnce();
  return std::make_unique<CurlHttpClient>(loop, options);
}

}  // namespace ostravel::platform
