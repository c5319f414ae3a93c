#include "service/http/HttpServer.h"

#include <microhttpd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unordered_set>

#include "service/http/AccessLog.h"
#include "service/http/AddressConnections.h"
#include "service/http/AddressRateLimit.h"
#include "service/http/AnswerSlot.h"
#include "service/http/ConnectionWatch.h"
#include "service/http/ForwardedFor.h"
#include "service/http/HeaderChecks.h"
#include "service/http/ListenSocket.h"
#include "service/http/MhdConnection.h"
#include "service/http/SignalWait.h"
#include "service/http/SteadyClock.h"

namespace ostravel::service {
namespace {

constexpr std::size_t kChunkedDiscardFactor = 16;
// The log, the database, the listening socket and the library's own descriptors.
constexpr std::size_t kDescriptorsBesideConnections = 64;

// What the server keeps of one request from its first line to its last byte out.
struct PendingRequest {
  std::int64_t startMs = SteadyMs();
  HttpRequest request;
  bool headersSeen = false;
  bool bodyTooLarge = false;
  std::size_t bodyBytes = 0;
  int status = 0;  // set once an answer is queued
  std::string detail;
  std::string note;
  std::shared_ptr<AnswerSlot> slot;  // set once the handler has the request
};

MHD_Result KeepHeader(void* headers, MHD_ValueKind, const char* key, const char* value) {
  static_cast<std::vector<std::pair<std::string, std::string>>*>(headers)->emplace_back(
      key == nullptr ? "" : key, value == nullptr ? "" : value);
  return MHD_YES;
}

}  // namespace

class HttpServer::Impl {
 public:
  Impl(HttpServerOptions options, HttpAsyncHandler handler, std::ostream& accessLog)
      : options_(std::move(options)),
        handler_(std::move(handler)),
        log_(accessLog),
        rate_(options_.request_burst_per_address, options_.requests_per_second_per_address),
        watch_(options_.request_timeout_seconds, log_),
        connections_(options_.max_connections_per_address) {}
  ~Impl() { Stop(); }

  uint16_t Start();
  void Stop();

 private:
  MHD_Daemon* StartDaemon(int listening);
  // The library shares its limit out among the worker threads, so one thread's share may be
  // full while the total is not; it gets room above the cap, which OnAccept keeps itself.
  unsigned LibraryConnectionLimit() const {
    return 2 * options_.max_connections + 64 * std::max(options_.threads, 1u);
  }
  bool RoomForOneMore();
  static void* OnRequestLine(void* self, const char* uri, MHD_Connection* connection);
  static MHD_Result OnAccess(void* self, MHD_Connection* connection, const char* url,
                             const char* method, const char* version, const char* data,
                             size_t* size, void** context);
  static void OnCompleted(void* self, MHD_Connection* connection, void** context,
                          MHD_RequestTerminationCode code);
  static MHD_Result OnAccept(void* self, const sockaddr* address, socklen_t length);
  static void OnConnection(void* self, MHD_Connection* connection, void** token,
                           MHD_ConnectionNotificationCode code);
  static void OnLibraryError(void* self, const char* format, va_list arguments);

  MHD_Result BeginRequest(MHD_Connection* connection, PendingRequest& pending);
  void TakeForwardedClient(MHD_Connection* connection, PendingRequest& pending) const;
  MHD_Result TakeBody(PendingRequest& pending, const char* data, size_t* size);
  MHD_Result Refuse(MHD_Connection* connection, PendingRequest& pending, int status,
                    std::string text, std::string note);
  MHD_Result Answer(MHD_Connection* connection, PendingRequest& pending,
                    const HttpResponse& response, bool close);
  MHD_Result Dispatch(MHD_Connection* connection, PendingRequest& pending);
  MHD_Result AnswerResumed(MHD_Connection* connection, PendingRequest& pending);
  void CallHandler(const PendingRequest& pending);
  void AnswerWaiting();

  const HttpServerOptions options_;
  const HttpAsyncHandler handler_;
  AccessLog log_;
  AddressRateLimit rate_;
  ConnectionWatch watch_;
  AddressConnections connections_;
  std::mutex lifecycle_;
  MHD_Daemon* daemon_ = nullptr;
  uint16_t port_ = 0;
  std::atomic<int> inFlight_{0};
  std::atomic<bool> stopping_{false};
  std::mutex waitingMutex_;
  std::unordered_set<std::shared_ptr<AnswerSlot>> waiting_;  // suspended for their answer
};

uint16_t HttpServer::Impl::Start() {
  const std::lock_guard lock(lifecycle_);
  if (daemon_ != nullptr) return port_;
  ListenSocket listening(options_.address, options_.port, options_.listen_backlog);
  ListenSocket::ReserveDescriptors(LibraryConnectionLimit() + kDescriptorsBesideConnections);
  {
    const TerminationSignalsBlocked blocked;
    daemon_ = StartDaemon(listening.Descriptor());
    if (daemon_ != nullptr) watch_.Start();
  }
  if (daemon_ == nullptr) {
    throw std::runtime_error("cannot start the HTTP server on " + options_.address + ":" +
                             std::to_string(listening.Port()) + " (libmicrohttpd refused)");
  }
  listening.Release();
  port_ = listening.Port();
  stopping_ = false;
  return port_;
}

MHD_Daemon* HttpServer::Impl::StartDaemon(int listening) {
  // The connection's memory holds the request line and headers as they are read; room for
  // the largest allowed and for the answer's own headers.
  const size_t connectionMemory = std::max<size_t>(32 * 1024, 2 * options_.max_header_bytes + 8192);
  return MHD_start_daemon(
      MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME, 0,
      &OnAccept, this, &OnAccess, this, MHD_OPTION_EXTERNAL_LOGGER, &OnLibraryError, this,
      MHD_OPTION_LISTEN_SOCKET, listening, MHD_OPTION_THREAD_POOL_SIZE,
      std::max(options_.threads, 1u), MHD_OPTION_CONNECTION_LIMIT, LibraryConnectionLimit(),
      MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(options_.idle_timeout_seconds),
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, connectionMemory, MHD_OPTION_URI_LOG_CALLBACK,
      &OnRequestLine, this, MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted, this,
      MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, this, MHD_OPTION_END);
}

void HttpServer::Impl::Stop() {
  const std::lock_guard lock(lifecycle_);
  if (daemon_ == nullptr) return;
  // New connections are turned away by OnAccept rather than by MHD_quiesce_daemon: with a
  // pool of epoll threads, quiescing races the workers' own removal of the listening socket
  // and the library aborts the process.
  stopping_ = true;
  const std::int64_t deadline = SteadyMs() + options_.stop_grace_seconds * 1000LL;
  while (inFlight_ > 0 && SteadyMs() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (inFlight_ > 0) {
    log_.Error("stopping with " + std::to_string(inFlight_.load()) +
               " requests still unanswered after " + std::to_string(options_.stop_grace_seconds) +
               " s");
  }
  AnswerWaiting();
  MHD_stop_daemon(daemon_);
  daemon_ = nullptr;
  watch_.Stop();
}

void* HttpServer::Impl::OnRequestLine(void* self, const char* uri, MHD_Connection* connection) {
  auto& impl = *static_cast<Impl*>(self);
  impl.watch_.Requesting(SocketContext(connection));
  auto* pending = new PendingRequest;
  pending->request.remote_address = ClientAddress(connection);
  const std::string_view target(uri == nullptr ? "" : uri);
  const auto question = target.find('?');
  pending->request.path = target.substr(0, question);
  if (question != std::string_view::npos) pending->request.query = target.substr(question + 1);
  ++impl.inFlight_;
  return pending;
}

MHD_Result HttpServer::Impl::OnAccess(void* self, MHD_Connection* connection, const char*,
                                      const char* method, const char*, const char* data,
                                      size_t* size, void** context) {
  auto& impl = *static_cast<Impl*>(self);
  auto* pending = static_cast<PendingRequest*>(*context);
  if (pending == nullptr) return MHD_NO;
  if (!pending->headersSeen) {
    pending->headersSeen = true;
    pending->request.method = method == nullptr ? "" : method;
    return impl.BeginRequest(connection, *pending);
  }
  if (*size != 0) return impl.TakeBody(*pending, data, size);
  if (pending->status != 0) return MHD_YES;
  if (pending->bodyTooLarge) {
    return impl.Refuse(connection, *pending, MHD_HTTP_CONTENT_TOO_LARGE, "Request too large.\n",
                       "body over " + std::to_string(impl.options_.max_body_bytes) + " bytes");
  }
  if (pending->slot) return impl.AnswerResumed(connection, *pending);
  return impl.Dispatch(connection, *pending);
}

MHD_Result HttpServer::Impl::Dispatch(MHD_Connection* connection, PendingRequest& pending) {
  // The request is complete: the watch for slow requests lets it wait for its answer.
  watch_.Answering(SocketContext(connection));
  pending.slot = std::make_shared<AnswerSlot>(connection);
  CallHandler(pending);
  {
    // Listed before it may be suspended, so that Stop finds every waiting one.
    const std::lock_guard lock(waitingMutex_);
    waiting_.insert(pending.slot);
  }
  if (auto ready = pending.slot->TakeOrSuspend()) {
    {
      const std::lock_guard lock(waitingMutex_);
      waiting_.erase(pending.slot);
    }
    return Answer(connection, pending, *ready, false);
  }
  return MHD_YES;
}

MHD_Result HttpServer::Impl::AnswerResumed(MHD_Connection* connection, PendingRequest& pending) {
  {
    const std::lock_guard lock(waitingMutex_);
    waiting_.erase(pending.slot);
  }
  return Answer(connection, pending, pending.slot->Take(), false);
}

// The handlers' answers have had the grace time; whatever still waits is answered now, as
// the library must not stop with a connection suspended.
void HttpServer::Impl::AnswerWaiting() {
  // Resumed connections are taken up by their worker threads; a request that arrived on a
  // kept-alive connection meanwhile may still join the list, so it is read again until empty.
  const std::int64_t deadline = SteadyMs() + 2000;
  for (;;) {
    std::unordered_set<std::shared_ptr<AnswerSlot>> left;
    {
      const std::lock_guard lock(waitingMutex_);
      left = waiting_;
    }
    if (left.empty() || SteadyMs() > deadline) return;
    for (const auto& slot : left) {
      HttpResponse stopping =
          HttpResponse::Plain(503, "The server is stopping; try again in a minute.\n", "stopping");
      stopping.headers.emplace_back("Retry-After", "60");
      slot->Deliver(std::move(stopping));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

MHD_Result HttpServer::Impl::BeginRequest(MHD_Connection* connection, PendingRequest& pending) {
  if (const char* type = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Type")) {
    pending.request.content_type = type;
  }
  if (const char* host = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Host")) {
    pending.request.host = host;
  }
  MHD_get_connection_values(connection, MHD_HEADER_KIND, &KeepHeader, &pending.request.headers);
  TakeForwardedClient(connection, pending);
  if (const int wait = rate_.Admit(pending.request.remote_address, SteadyMs()); wait > 0) {
    pending.note = "rate limit, retry after " + std::to_string(wait) + " s";
    HttpResponse busy{
        MHD_HTTP_TOO_MANY_REQUESTS, "text/plain", "Too many requests.\n", {}, {}, 0, {}};
    busy.headers.emplace_back("Retry-After", std::to_string(wait));
    return Answer(connection, pending, busy, true);
  }
  if (const auto problem =
          HeaderProblem(connection, options_.max_header_bytes, options_.max_body_bytes)) {
    return Refuse(connection, pending, problem->status, problem->text, problem->note);
  }
  return MHD_YES;
}

void HttpServer::Impl::TakeForwardedClient(MHD_Connection* connection,
                                           PendingRequest& pending) const {
  if (options_.trusted_proxy.empty() || pending.request.remote_address != options_.trusted_proxy) {
    return;
  }
  const auto header = [connection](const char* name) {
    return MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  };
  if (const char* host = header("X-Forwarded-Host")) pending.request.host = host;
  if (const char* scheme = header("X-Forwarded-Proto")) pending.request.scheme = scheme;
  const char* forwarded = header("X-Forwarded-For");
  if (forwarded == nullptr) return;
  if (std::string client = ForwardedClient(forwarded); !client.empty()) {
    pending.request.remote_address = std::move(client);
  }
}

MHD_Result HttpServer::Impl::TakeBody(PendingRequest& pending, const char* data, size_t* size) {
  const size_t arrived = *size;
  *size = 0;
  pending.bodyBytes += arrived;
  if (pending.status != 0) return MHD_YES;
  if (pending.bodyBytes <= options_.max_body_bytes) {
    pending.request.body.append(data, arrived);
    return MHD_YES;
  }
  // A body without a length (chunked) that runs over. The library cannot answer before the
  // body has ended, so the rest is read and dropped, up to a bound; beyond it, close.
  pending.bodyTooLarge = true;
  pending.request.body = std::string();
  if (pending.bodyBytes <= kChunkedDiscardFactor * options_.max_body_bytes) return MHD_YES;
  pending.note = "body over " + std::to_string(options_.max_body_bytes) + " bytes";
  return MHD_NO;
}

MHD_Result HttpServer::Impl::Refuse(MHD_Connection* connection, PendingRequest& pending, int status,
                                    std::string text, std::string note) {
  pending.note = std::move(note);
  return Answer(connection, pending, HttpResponse::Plain(status, std::move(text)), true);
}

MHD_Result HttpServer::Impl::Answer(MHD_Connection* connection, PendingRequest& pending,
                                    const HttpResponse& response, bool close) {
  MHD_Response* reply = MHD_create_response_from_buffer(
      response.body.size(), const_cast<char*>(response.body.data()), MHD_RESPMEM_MUST_COPY);
  if (reply == nullptr) return MHD_NO;
  MHD_add_response_header(reply, "Content-Type", response.content_type.c_str());
  for (const auto& [name, value] : response.headers) {
    MHD_add_response_header(reply, name.c_str(), value.c_str());
  }
  if (close || stopping_) MHD_add_response_header(reply, "Connection", "close");
  watch_.Answering(SocketContext(connection));
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned>(response.status), reply);
  MHD_destroy_response(reply);
  pending.status = response.status;
  pending.detail = response.log_detail;
  if (!response.log_note.empty()) pending.note = response.log_note;
  if (response.rate_cost > 0) {
    rate_.Charge(pending.request.remote_address, static_cast<unsigned>(response.rate_cost),
                 SteadyMs());
  }
  return queued;
}

void HttpServer::Impl::CallHandler(const PendingRequest& pending) {
  try {
    return handler_(pending.request, [slot = pending.slot](HttpResponse response) {
      slot->Deliver(std::move(response));
    });
  } catch (const std::exception& error) {
    log_.Error("handler failed on " + AccessLog::Field(pending.request.path) + " from " +
               pending.request.remote_address + ": " + error.what());
  } catch (...) {
    log_.Error("handler failed on " + AccessLog::Field(pending.request.path) + " from " +
               pending.request.remote_address);
  }
  pending.slot->Deliver(HttpResponse::Plain(500, "Internal server error.\n"));
}

void HttpServer::Impl::OnCompleted(void* self, MHD_Connection* connection, void** context,
                                   MHD_RequestTerminationCode code) {
  auto& impl = *static_cast<Impl*>(self);
  auto* pending = static_cast<PendingRequest*>(*context);
  if (pending == nullptr) return;
  *context = nullptr;
  if (pending->status == 0 && code != MHD_REQUEST_TERMINATED_COMPLETED_OK) {
    // The library may have answered by itself (400 for a malformed request, 431).
    pending->status = LibraryStatus(connection);
  }
  std::string note = pending->note;
  if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK) {
    note += note.empty() ? "" : "; ";
    note += Ending(code);
  }
  const HttpRequest& request = pending->request;
  impl.log_.Request({request.remote_address, request.method, request.path, pending->detail,
                     pending->status, SteadyMs() - pending->startMs, note});
  delete pending;
  --impl.inFlight_;
  impl.watch_.Answered(SocketContext(connection));
}

// The cap per address is kept here rather than by the library, whose refusal does not say
// whom it refused.
MHD_Result HttpServer::Impl::OnAccept(void* self, const sockaddr* address, socklen_t) {
  auto& impl = *static_cast<Impl*>(self);
  if (impl.stopping_) return MHD_NO;
  const std::string text = AddressText(address);
  if (!impl.RoomForOneMore()) return MHD_NO;
  if (text == impl.options_.trusted_proxy || !impl.connections_.Full(text)) return MHD_YES;
  impl.log_.Error("refused a connection from " + text + ": " +
                  std::to_string(impl.options_.max_connections_per_address) +
                  " open from that address already");
  return MHD_NO;
}

// Near the cap, idle keep-alive connections make room for new clients (oldest first), as
// nginx does; only when none is idle is a new connection refused.
bool HttpServer::Impl::RoomForOneMore() {
  const std::size_t cap = options_.max_connections;
  const std::size_t open = watch_.Open();
  const std::size_t shedFrom = cap - cap / 10;
  if (open < shedFrom) return true;
  const std::size_t closed = watch_.CloseIdle(open + 1 - shedFrom);
  if (open < cap || closed > 0) return true;
  log_.Error("refused a connection: " + std::to_string(open) +
             " open and none of them idle (the cap is " + std::to_string(cap) + ")");
  return false;
}

void HttpServer::Impl::OnConnection(void* self, MHD_Connection* connection, void** token,
                                    MHD_ConnectionNotificationCode code) {
  auto& impl = *static_cast<Impl*>(self);
  const std::string address = ClientAddress(connection);
  if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
    impl.connections_.Closed(address);
    impl.watch_.Closed(*token);
    *token = nullptr;
    return;
  }
  impl.connections_.Opened(address);
  *token = impl.watch_.Opened(SocketDescriptor(connection), address);
}

void HttpServer::Impl::OnLibraryError(void* self, const char* format, va_list arguments) {
  char buffer[512];
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  static_cast<Impl*>(self)->log_.Error("http: " + WithoutErrorPage(buffer));
}

HttpServer::HttpServer(HttpServerOptions options, HttpHandler handler, std::ostream& accessLog)
    : HttpServer(std::move(options),
                 HttpAsyncHandler([handler = std::move(handler)](const HttpRequest& request,
                                                                 const HttpRespond& respond) {
                   respond(handler(request));
                 }),
                 accessLog) {}

HttpServer::HttpServer(HttpServerOptions options, HttpAsyncHandler handler, std::ostream& accessLog)
    : impl_(std::make_unique<Impl>(std::move(options), std::move(handler), accessLog)) {}

HttpServer::~HttpServer() = default;

uint16_t HttpServer::Start() {
  return impl_->Start();
}

void HttpServer::Stop() {
  impl_->Stop();
}

}  // namespace ostravel::service
