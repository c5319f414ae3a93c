#include "support/ScriptedIrcServer.h"

#include <asio/write.hpp>
#include <memory>

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
  std::optional<std::string> line = TakeLine();
  if (line) return line;
  PollUntil(
      loop_,
      [&] {
        std::string chunk(4096, '\0');
        asio::error_code error;
        chunk.resize(peer_.read_some(asio::buffer(chunk), error));
        pending_ += chunk;
        line = TakeLine();
        return line.has_value();
      },
      timeout);
  return line;
}

std::vector<std::string> ScriptedIrcServer::LinesUntilSync() {
  Send("PING :sync");
  std::vector<std::string> lines;
  for (auto line = Line(); line && *line != "PONG :sync"; line = Line()) lines.push_back(*line);
  return lines;
}

std::optional<std::string> ScriptedIrcServer::TakeLine() {
  for (auto end = pending_.find("\r\n"); end != std::string::npos; end = pending_.find("\r\n")) {
    std::string line = pending_.substr(0, end);
    pending_.erase(0, end + 2);
    if (!ignore_prefixed_ || !line.starts_with(':')) return line;
  }
  return std::nullopt;
}

void ScriptedIrcServer::Flood(const std::string& line, std::size_t count) {
  auto bytes = std::make_shared<std::string>();
  bytes->reserve((line.size() + 2) * count);
  for (std::size_t i = 0; i < count; ++i) *bytes += line + "\r\n";
  // The buffer lives as long as the write, which a closed connection ends.
  asio::async_write(peer_, asio::buffer(*bytes), [bytes](const asio::error_code&, std::size_t) {});
}

void ScriptedIrcServer::ReceiveLittle() {
  acceptor_.set_option(asio::socket_base::receive_buffer_size(4096));
}

void ScriptedIrcServer::Drop() {
  asio::error_code ignored;
  peer_.close(ignored);
  pending_.clear();
}

}  // namespace ostravel::test
