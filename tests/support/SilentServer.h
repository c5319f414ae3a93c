#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <string>

namespace ostravel::test {

// A port on 127.0.0.1 that accepts connections and never answers: the kernel completes the
// handshake, nobody reads.
class SilentServer {
 public:
  std::string Url() const {
    return "http://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port()) + "/";
  }

 private:
  asio::io_context context_;
  asio::ip::tcp::acceptor acceptor_{context_,
                                    asio::ip::tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
};

}  // namespace ostravel::test
