#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ostravel::test {

// A small HTTP/1.1 server on 127.0.0.1 made of asio alone, so that it builds wherever the
// plug-in does (the Windows tests run it under wine). It records every request and answers
// each path with what the test set; one request per connection. asio stays out of this header,
// which half the tests include.
class AsioHttpServer {
 public:
  struct Request {
    std::string method;  // "POST", "GET"
    std::string path;    // without the query
    std::string body;    // the raw bytes
    std::string content_type;
    std::string user_agent;
    std::vector<std::pair<std::string, std::string>> headers;  // names in lower case

    // The value of the header named `name` (lower case); none when it was not sent.
    std::optional<std::string> Header(const std::string& name) const;
  };

  struct Reply {
    int status = 200;
    std::string body;
    std::string location;  // sent as "Location" when not empty
    // When not 0: instead of `body`, an answer of this many bytes (lines of "x") made while it
    // is sent; with `chunked`, its length is not announced.
    std::size_t generated_bytes = 0;
    bool chunked = false;
    // More header lines, sent as they are (without their line end).
    std::vector<std::string> header_lines;

    static Reply Status(int status, std::string body = "");
    static Reply RedirectTo(int status, std::string location);
    static Reply Generated(std::size_t bytes, bool chunked);
  };

  AsioHttpServer();
  ~AsioHttpServer();
  AsioHttpServer(const AsioHttpServer&) = delete;
  AsioHttpServer& operator=(const AsioHttpServer&) = delete;

  // "http://127.0.0.1:PORT/"
  std::string Url() const;
  int Port() const { return port_; }

  // What requests to `path` ("/member.php") get; unset paths get 404.
  void Answer(const std::string& path, const std::string& body);
  void Respond(const std::string& path, Reply reply);
  // How long every answer waits before it is sent (cut short when the server stops).
  void Delay(std::chrono::milliseconds delay);

  std::vector<Request> Requests() const;
  std::size_t RequestCount() const;

 private:
  struct Network;
  void AcceptLoop();
  // Notes the request and finds its reply, after the delay; nothing when the server stops.
  std::optional<Reply> Take(const Request& request);

  std::unique_ptr<Network> network_;
  int port_ = 0;
  std::thread accept_thread_;

  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  bool stopping_ = false;
  std::vector<std::thread> connections_;
  std::vector<Request> requests_;
  std::map<std::string, Reply> replies_;
  std::chrono::milliseconds delay_{0};
};

}  // namespace ostravel::test
