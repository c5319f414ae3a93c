#include "support/ScriptedIrcServer.h"

#include <asio/write.hpp>

#include "support/PollUntil.h"

namespace ostravel::test {

using asio::ip::tcp;

ScriptedIrcServer::ScriptedIrcServer(platform::EventLoop& loop)
    : loop_(loop),
      acceptor_(loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0)),
      peer_(loop.IoContext()) {
  acceptor_.non_blocking(true);
}

std::string ScriptedIrcServer::Port() const {
  return std::to_string(acceptor_.local_endpoint().port());
}

bool ScriptedIrcServer::Accept(std::chrono::milliseconds timeout) {
  Drop();
  return PollUntil(
      loop_,
      [&] {
        asio::error_code error;
        acceptor_.accept(peer_, error);
        if (!error) peer_.non_blocking(true);
        return !error;
      },
      timeout);
}

void ScriptedIrcServer::Send(const std::string& line) {
  SendRaw(line + "\r\n");
}

void ScriptedIrcServer::SendRaw(const std::string& bytes) {
  asio::write(peer_, asio::buffer(bytes));
}

std::optional<std::string> ScriptedIrcServer::Line(std::chrono::milliseconds timeout) {
  PollUntil(
      loop_,
      [&] {
        std::string chunk(4096, '\0');
        asio::error_code error;
        chunk.resize(peer_.read_some(asio::buffer(chunk), error));
        pending_ += chunk;
        return pending_.find("\r\n") != std::string::npos;
      },
      timeout);
  const auto end = pending_.find("\r\n");
  if (end == std::string::npos) return std::nullopt;
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 2);
  return line;
}

void ScriptedIrcServer::Drop() {
  asio::error_code ignored;
  peer_.close(ignored);
  pending_.clear();
}

}  // namespace ostravel::test
