#include "support/AsioHttpServer.h"

#include <asio/connect.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <cctype>
#include <istream>
#include <sstream>

namespace ostravel::test {
namespace {

using asio::ip::tcp;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The next piece of a generated answer: lines of 64 bytes ("x" and a line feed), `size` bytes.
// Pieces are a multiple of 64 bytes long, so the lines run on from one piece to the next.
std::string GeneratedPiece(std::size_t size) {
  std::string piece(size, 'x');
  for (std::size_t i = 63; i < size; i += 64) piece[i] = '\n';
  return piece;
}

bool ReadRequest(tcp::socket& socket, AsioHttpServer::Request& request) {
  asio::streambuf buffer;
  asio::error_code error;
  const std::size_t head_size = asio::read_until(socket, buffer, "\r\n\r\n", error);
  if (error) return false;
  std::string head(asio::buffers_begin(buffer.data()),
                   asio::buffers_begin(buffer.data()) + static_cast<std::ptrdiff_t>(head_size));
  buffer.consume(head_size);
  std::istringstream lines(head);
  std::string line;
  std::getline(lines, line);
  std::istringstream first(line);
  std::string target;
  first >> request.method >> target;
  request.path = target.substr(0, target.find('?'));
  std::size_t length = 0;
  while (std::getline(lines, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = Lower(Trim(line.substr(0, colon)));
    const std::string value = Trim(line.substr(colon + 1));
    request.headers.emplace_back(name, value);
    if (name == "content-length") length = std::stoul(value);
    if (name == "content-type") request.content_type = value;
    if (name == "user-agent") request.user_agent = value;
  }
  std::string body(asio::buffers_begin(buffer.data()), asio::buffers_end(buffer.data()));
  if (body.size() < length) {
    std::string rest(length - body.size(), '\0');
    asio::read(socket, asio::buffer(rest), error);
    if (error) return false;
    body += rest;
  }
  request.body = body.substr(0, length);
  return true;
}

void SendReply(tcp::socket& socket, const AsioHttpServer::Reply& reply) {
  std::ostringstream head;
  head << "HTTP/1.1 " << reply.status << " Status\r\nConnection: close\r\n"
       << "Content-Type: text/plain\r\n";
  if (!reply.location.empty()) head << "Location: " << reply.location << "\r\n";
  for (const auto& line : reply.header_lines) head << line << "\r\n";
  const std::size_t size = reply.generated_bytes ? reply.generated_bytes : reply.body.size();
  if (reply.chunked) {
    head << "Transfer-Encoding: chunked\r\n\r\n";
  } else {
    head << "Content-Length: " << size << "\r\n\r\n";
  }
  asio::write(socket, asio::buffer(head.str()));
  constexpr std::size_t kPiece = 64 * 1024;
  for (std::size_t sent = 0; sent < size;) {
    const std::size_t count = std::min(kPiece, size - sent);
    std::string piece =
        reply.generated_bytes ? GeneratedPiece(count) : reply.body.substr(sent, count);
    if (reply.chunked) {
      std::ostringstream chunk_head;
      chunk_head << std::hex << count << "\r\n";
      piece = chunk_head.str() + piece + "\r\n";
    }
    asio::write(socket, asio::buffer(piece));
    sent += count;
  }
  if (reply.chunked) asio::write(socket, asio::buffer(std::string("0\r\n\r\n")));
}

}  // namespace

struct AsioHttpServer::Network {
  asio::io_context context;
  tcp::acceptor acceptor{context, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)};
};

std::optional<std::string> AsioHttpServer::Request::Header(const std::string& name) const {
  for (const auto& [sent, value] : headers) {
    if (sent == name) return value;
  }
  return std::nullopt;
}

AsioHttpServer::Reply AsioHttpServer::Reply::Status(int status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

AsioHttpServer::Reply AsioHttpServer::Reply::RedirectTo(int status, std::string location) {
  Reply reply = Status(status, "moved");
  reply.location = std::move(location);
  return reply;
}

AsioHttpServer::Reply AsioHttpServer::Reply::Generated(std::size_t bytes, bool chunked) {
  Reply reply;
  reply.generated_bytes = bytes;
  reply.chunked = chunked;
  return reply;
}

AsioHttpServer::AsioHttpServer() : network_(std::make_unique<Network>()) {
  port_ = network_->acceptor.local_endpoint().port();
  accept_thread_ = std::thread([this] { AcceptLoop(); });
}

AsioHttpServer::~AsioHttpServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  // A connection of our own wakes the blocked accept, which then sees that we stop.
  try {
    tcp::socket waker(network_->context);
    waker.connect(
        tcp::endpoint(asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port_)));
  } catch (const std::exception&) {
  }
  accept_thread_.join();
  std::vector<std::thread> connections;
  {
    std::lock_guard lock(mutex_);
    connections.swap(connections_);
  }
  for (auto& connection : connections) connection.join();
}

std::string AsioHttpServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void AsioHttpServer::Answer(const std::string& path, const std::string& body) {
  Respond(path, Reply::Status(200, body));
}

void AsioHttpServer::Respond(const std::string& path, Reply reply) {
  std::lock_guard lock(mutex_);
  replies_[path] = std::move(reply);
}

void AsioHttpServer::Delay(std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  delay_ = delay;
}

std::vector<AsioHttpServer::Request> AsioHttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t AsioHttpServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

void AsioHttpServer::AcceptLoop() {
  for (;;) {
    tcp::socket socket(network_->context);
    asio::error_code error;
    network_->acceptor.accept(socket, error);
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    if (error) continue;
    connections_.emplace_back([this, socket = std::move(socket)]() mutable {
      try {
        Request request;
        if (!ReadRequest(socket, request)) return;
        const std::optional<Reply> reply = Take(request);
        if (!reply) return;
        SendReply(socket, *reply);
        asio::error_code ignored;
        socket.shutdown(tcp::socket::shutdown_both, ignored);
      } catch (const std::exception&) {
        // The client went away (a cut-off or aborted transfer): nothing more to do.
      }
    });
  }
}

std::optional<AsioHttpServer::Reply> AsioHttpServer::Take(const Request& request) {
  std::unique_lock lock(mutex_);
  requests_.push_back(request);
  Reply reply = Reply::Status(404, "not found");
  if (const auto found = replies_.find(request.path); found != replies_.end()) {
    reply = found->second;
  }
  if (stopped_.wait_for(lock, delay_, [this] { return stopping_; })) return std::nullopt;
  return reply;
}

}  // namespace ostravel::test
