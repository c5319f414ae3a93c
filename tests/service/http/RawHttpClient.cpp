#include "service/http/RawHttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace ostravel::service::test {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until bytes or the end of the connection can be read: false once `deadline` passed.
bool ReadableBy(int fd, Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  pollfd readable{fd, POLLIN, 0};
  return left > 0 && poll(&readable, 1, static_cast<int>(left)) > 0;
}

sockaddr_in Loopback(const std::string& address, uint16_t port) {
  sockaddr_in socketAddress{};
  socketAddress.sin_family = AF_INET;
  socketAddress.sin_port = htons(port);
  inet_pton(AF_INET, address.c_str(), &socketAddress.sin_addr);
  return socketAddress;
}

}  // namespace

std::string RawHttpClient::Reply::Header(const std::string& name) const {
  const std::string block = "\r\n" + headers + "\r\n";
  const std::size_t line = block.find("\r\n" + name + ": ");
  if (line == std::string::npos) return "";
  const std::size_t value = line + name.size() + 4;
  return block.substr(value, block.find("\r\n", value) - value);
}

RawHttpClient::RawHttpClient(uint16_t port, const std::string& source) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in from = Loopback(source, 0);
  const sockaddr_in to = Loopback("127.0.0.1", port);
  if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    const std::string reason = std::strerror(errno);
    if (fd_ >= 0) close(fd_);
    throw std::runtime_error("cannot connect from " + source + ": " + reason);
  }
}

RawHttpClient::~RawHttpClient() {
  close(fd_);
}

bool RawHttpClient::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t count = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) return false;
    sent += static_cast<std::size_t>(count);
  }
  return true;
}

std::optional<RawHttpClient::Reply> RawHttpClient::Read(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (true) {
    if (auto reply = TakeReply()) return reply;
    char buffer[16384];
    const ssize_t count = ReadableBy(fd_, deadline) ? recv(fd_, buffer, sizeof buffer, 0) : 0;
    if (count <= 0) return std::nullopt;
    received_.append(buffer, static_cast<std::size_t>(count));
  }
}

bool RawHttpClient::ClosedWithin(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  char buffer[4096];
  while (ReadableBy(fd_, deadline)) {
    if (recv(fd_, buffer, sizeof buffer, 0) <= 0) return true;
  }
  return false;
}

std::optional<RawHttpClient::Reply> RawHttpClient::TakeReply() {
  const std::size_t headerEnd = received_.find("\r\n\r\n");
  if (headerEnd == std::string::npos) return std::nullopt;
  Reply reply;
  const std::size_t lineEnd = received_.find("\r\n");
  reply.status = std::atoi(received_.substr(received_.find(' ') + 1, 3).c_str());
  reply.headers = received_.substr(lineEnd + 2, headerEnd - lineEnd - 2);
  const std::size_t length = std::strtoul(reply.Header("Content-Length").c_str(), nullptr, 10);
  if (received_.size() < headerEnd + 4 + length) return std::nullopt;
  reply.body = received_.substr(headerEnd + 4, length);
  received_.erase(0, headerEnd + 4 + length);
  return reply;
}

std::string RawHttpClient::Post(const std::string& path, const std::string& body,
                                const std::string& extraHeaders) {
  return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Ostravel 3004\r\n" +
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

}  // namespace ostravel::service::test
