#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace ostravel::service::test {

// A plain TCP client that writes exactly the bytes given: half requests, broken requests,
// requests from another loopback address (127.0.0.0/8 is all this machine's).
class RawHttpClient {
 public:
  struct Reply {
    int status = 0;
    std::string headers;  // the header block, without the status line
    std::string body;
    // Empty when absent; the name as the server writes it, "Name: value".
    std::string Header(const std::string& name) const;
  };

  // Connects to 127.0.0.1:port from `source`; throws std::runtime_error when it cannot.
  RawHttpClient(uint16_t port, const std::string& source = "127.0.0.1");
  ~RawHttpClient();
  RawHttpClient(const RawHttpClient&) = delete;
  RawHttpClient& operator=(const RawHttpClient&) = delete;

  // False when the server has closed the connection.
  bool Send(const std::string& bytes);
  // The next answer on the connection, or nullopt if the server closes the connection or
  // nothing complete arrives within `limit`.
  std::optional<Reply> Read(std::chrono::milliseconds limit = std::chrono::seconds(10));
  // Waits up to `limit` for the server to close the connection; bytes it sends are dropped.
  bool ClosedWithin(std::chrono::milliseconds limit);

  // One POST with a Content-Length; the body is sent as it is.
  static std::string Post(const std::string& path, const std::string& body,
                          const std::string& extraHeaders = "");

 private:
  std::optional<Reply> TakeReply();
  int fd_ = -1;
  std::string received_;
};

}  // namespace ostravel::service::test
