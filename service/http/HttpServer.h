#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "service/http/HttpTypes.h"

namespace ostravel::service {

// Every resource a client can make the server hold, with its limit. A request over a limit
// gets a definite answer (413, 431, 429) or its connection is closed, and a log line.
// Where the service listens unless told otherwise.
inline constexpr const char* kDefaultHttpAddress = "127.0.0.1";
inline constexpr std::uint16_t kDefaultHttpPort = 8080;

struct HttpServerOptions {
  std::string address = kDefaultHttpAddress;
  std::uint16_t port = kDefaultHttpPort;  // 0 picks a free port

  // Request bodies above this get 413; the plug-in's largest, a character record, is ~3 KiB.
  std::size_t max_body_bytes = 64 * 1024;
  // The request line and the headers together; above it 431.
  std::size_t max_header_bytes = 8 * 1024;
  // A connection that delivers no complete request this long after it opened or after its
  // last answer is closed, however slowly it trickles bytes in.
  int request_timeout_seconds = 10;
  // A connection on which nothing moves this long is closed (idle keep-alive included).
  int idle_timeout_seconds = 5;
  // Open connections in all, and from one address; beyond them a connection is closed at once
  // (and the refusal logged). The library shares the total out among the worker threads.
  // A plug-in holds one or two; several players may share an address. 0: no cap per address.
  unsigned max_connections = 1000;
  unsigned max_connections_per_address = 16;
  // Requests from one address: a burst, refilled at a steady rate; beyond them 429 with
  // Retry-After. A plug-in posts two or three times a minute, a player typing a few more.
  // A burst of 0 turns the limit off.
  unsigned request_burst_per_address = 60;
  double requests_per_second_per_address = 1.0;
  // Connections the kernel holds for the server before it accepts them; a burst beyond it
  // loses SYNs, and the clients wait a second before they try again. The kernel caps it at
  // net.core.somaxconn (4096 by default).
  int listen_backlog = 4096;
  // The worker threads; each serves its share of the connections through epoll. A worker
  // waits for the commit of each change it answers, so one commit can take at most this many
  // changes: with a sync costing a few ms on a disk, 16 let it carry 16.
  unsigned threads = 16;
  // The address of a reverse proxy in front (as the log shows it, "127.0.0.1"), or empty for
  // none. Its requests count as the client's that the last X-Forwarded-For entry names, for
  // the rate limit, the handler and the log; its connections have no cap per address (the
  // proxy's own limits stand in for it). From anyone else X-Forwarded-For is ignored.
  std::string trusted_proxy;
  // How long Stop waits for requests in flight before it closes what is left.
  int stop_grace_seconds = 10;
};

// The HTTP server of the service, on libmicrohttpd. It never serves files: every request that
// passes the limits goes to the handler, which routes it.
class HttpServer {
 public:
  // accessLog gets one line per request and the server's errors; it must outlive the server.
  HttpServer(HttpServerOptions options, HttpHandler handler, std::ostream& accessLog);
  // With a handler that may answer later, from any thread: the connection waits suspended and
  // its worker thread serves the others meanwhile.
  HttpServer(HttpServerOptions options, HttpAsyncHandler handler, std::ostream& accessLog);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds and serves on the server's own threads; returns the bound port. Throws
  // std::runtime_error naming the address when it cannot listen.
  uint16_t Start();
  // Stops accepting, lets the requests in flight finish (up to stop_grace_seconds), answers
  // those still waiting for their handler with 503, closes the rest and returns when every
  // worker has ended. Safe to call twice or without Start.
  void Stop();

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ostravel::service
