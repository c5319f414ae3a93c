#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace ostravel::test {

// An HTTP server on 127.0.0.1 that records every request (POST or GET) and answers with what
// the test set. The header needs nothing but the standard library, so that a build without
// cpp-httplib can put another server behind it.
class RecordingServer {
 public:
  struct Request {
    std::string method;  // "POST", "GET"
    std::string path;
    std::string body;  // the raw bytes
    std::string content_type;
    std::string user_agent;
  };

  RecordingServer();
  ~RecordingServer();

  // "http://127.0.0.1:PORT/"
  std::string Url() const;
  int Port() const { return port_; }

  // How one path answers.
  struct Reply {
    int status = 200;
    std::string body;
    std::string location;  // sent as "Location" when not empty
    // When not 0: instead of `body`, an answer of this many bytes (lines of "x"), made while it
    // is sent so that the server never holds it; with `chunked`, its length is not announced.
    std::size_t generated_bytes = 0;
    bool chunked = false;

    static Reply Status(int status, std::string body = "") {
      Reply reply;
      reply.status = status;
      reply.body = std::move(body);
      return reply;
    }
    static Reply RedirectTo(int status, std::string location) {
      Reply reply = Status(status, "moved");
      reply.location = std::move(location);
      return reply;
    }
    static Reply Generated(std::size_t bytes, bool chunked) {
      Reply reply;
      reply.generated_bytes = bytes;
      reply.chunked = chunked;
      return reply;
    }
  };

  // What requests to `path` ("/member.php") get; "" when unset.
  void Answer(const std::string& path, const std::string& body);
  void Respond(const std::string& path, Reply reply);
  // How long every answer waits before it is sent.
  void Delay(std::chrono::milliseconds delay);

  std::vector<Request> Requests() const;
  std::size_t RequestCount() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::map<std::string, Reply> replies_;
  std::chrono::milliseconds delay_{0};
};

// A port on 127.0.0.1 that accepts connections and never answers: the kernel completes the
// handshake, nobody reads.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  std::string Url() const;

 private:
  int socket_ = -1;
  int port_ = 0;
};

}  // namespace ostravel::test
