#pragma once

#include <chrono>
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

// An HTTP server on 127.0.0.1 that records every request and answers with what the test set.
class RecordingServer {
 public:
  struct Request {
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

  // What requests to `path` ("/member.php") get; "" when unset.
  void Answer(const std::string& path, const std::string& body);
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
  std::map<std::string, std::string> answers_;
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
