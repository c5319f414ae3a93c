#pragma once

#include <asio.hpp>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostravel::bench {

// One HTTP/1.1 client connection on the load generator's loop: connects (from a given source
// address, if any), sends a request, reads the answer, and either stays open for the next
// (keep-alive) or closes. Status -1: no answer (refused, reset, or 10 s without one).
class LoadConnection : public std::enable_shared_from_this<LoadConnection> {
 public:
  using Done = std::function<void(int status)>;

  LoadConnection(asio::io_context& loop, asio::ip::tcp::endpoint target,
                 std::optional<asio::ip::address_v4> source, bool keepAlive);

  void Exchange(std::string request, Done done);
  bool Open() const { return socket_.is_open(); }

 private:
  void Connect();
  void Write();
  void Read();
  // The status once the whole answer is in, 0 while more is due, -1 when it is malformed.
  int CompleteStatus(bool atEnd);
  void Finish(int status);

  asio::ip::tcp::socket socket_;
  asio::steady_timer timer_;
  asio::ip::tcp::endpoint target_;
  std::optional<asio::ip::address_v4> source_;
  bool keepAlive_;
  bool closeAfter_ = false;
  std::string request_;
  std::string response_;
  char buffer_[16384];
  Done done_;
};

}  // namespace ostravel::bench
