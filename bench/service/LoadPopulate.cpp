#include "LoadPopulate.h"

#include <asio.hpp>
#include <chrono>

#include "LoadConnection.h"
#include "LoadMix.h"

namespace ostravel::bench {
namespace {

class Populator {
 public:
  Populator(const LoadTarget& target, std::uint32_t from, std::uint32_t to, bool spread)
      : target_(target), next_(from), to_(to) {
    endpoint_ =
        *asio::ip::tcp::resolver(loop_).resolve(target.host, std::to_string(target.port)).begin();
    spread_ = spread && endpoint_.address().is_loopback();
  }

  PopulateResult Run(unsigned clients) {
    const auto start = std::chrono::steady_clock::now();
    for (unsigned i = 0; i < clients; ++i) SendNext();
    loop_.run();
    result_.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result_;
  }

 private:
  void SendNext() {
    if (next_ >= to_) return;
    const std::uint32_t member = next_++;
    const LoadRequest request = LoadMix::Update(member);
    std::optional<asio::ip::address_v4> source;
    if (spread_) source = asio::ip::address_v4(0x7F000002u + member % 0xFFFFF0u);
    auto connection = std::make_shared<LoadConnection>(loop_, endpoint_, source, false);
    connection->Exchange(
        "POST " + target_.path + request.script + " HTTP/1.1\r\nHost: " + target_.host +
            "\r\nContent-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n"
            "Content-Length: " +
            std::to_string(request.body.size()) + "\r\n\r\n" + request.body,
        [this, connection](int status) {
          ++(status == 200 ? result_.stored : result_.failed);
          SendNext();
        });
  }

  const LoadTarget target_;
  asio::io_context loop_;
  asio::ip::tcp::endpoint endpoint_;
  bool spread_ = false;
  std::uint32_t next_;
  const std::uint32_t to_;
  PopulateResult result_;
};

}  // namespace

PopulateResult Populate(const LoadTarget& target, std::uint32_t from, std::uint32_t to,
                        unsigned clients, bool spreadAddresses) {
  return Populator(target, from, to, spreadAddresses).Run(clients);
}

}  // namespace ostravel::bench
