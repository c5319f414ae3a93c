#pragma once

#include <asio/ip/tcp.hpp>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"

namespace ostravel::test {

// An IRC server played by the test, line by line, on 127.0.0.1 and a free port: one listener,
// one connection at a time, all on the client's own loop, so what the client sends back can be
// checked exactly.
class ScriptedIrcServer {
 public:
  explicit ScriptedIrcServer(platform::EventLoop& loop);

  std::string Port() const;
  // Drops the connection there is and runs the loop until the client connects, for at most
  // `timeout`.
  bool Accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Sends one line (CR LF is added).
  void Send(const std::string& line);
  // Sends bytes as they are (a line cut short, say).
  void SendRaw(const std::string& bytes);
  // The next line the client sent, waiting for it at most `timeout`.
  std::optional<std::string> Line(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // What the client sent until it answered a ping sent now: it reads the server's lines in
  // order, so by then it has handled everything sent before.
  std::vector<std::string> LinesUntilSync();
  // Closes the connection.
  void Drop();
  // Plays a server that keeps RFC 2812 section 2.3 for a client that has not registered: a line
  // with a prefix names nobody it knows, so it is dropped without a word (Line skips it).
  void IgnorePrefixedLines(bool ignore) { ignore_prefixed_ = ignore; }
  // Sends `line` `count` times in the background, as fast as the client takes it, while the
  // loop runs; nothing the client sends is read meanwhile but by Line.
  void Flood(const std::string& line, std::size_t count);
  // Connections accepted from now on take little from the client before it must wait
  // (SO_RCVBUF), so that not reading fills up fast.
  void ReceiveLittle();

 private:
  platform::EventLoop& loop_;
  asio::ip::tcp::acceptor acceptor_;
  asio::ip::tcp::socket peer_;
  std::optional<std::string> TakeLine();

  std::string pending_;
  bool ignore_prefixed_ = false;
};

}  // namespace ostravel::test
