#include "support/RecordingServer.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace ostravel::test {

namespace {

constexpr std::size_t kGeneratedChunk = 64 * 1024;

// Lines of "x", one piece at a time.
void SendGenerated(std::size_t offset, std::size_t length, httplib::DataSink& sink) {
  static const std::string chunk = [] {
    std::string lines(kGeneratedChunk, 'x');
    for (std::size_t at = 63; at < lines.size(); at += 64) lines[at] = '\n';
    return lines;
  }();
  const std::size_t start = offset % 64;
  sink.write(chunk.data() + start, std::min(length, chunk.size() - start));
}

void Fill(httplib::Response& response, const RecordingServer::Reply& reply) {
  response.status = reply.status;
  if (!reply.location.empty()) response.set_header("Location", reply.location);
  if (reply.generated_bytes == 0) {
    response.set_content(reply.body, "text/plain");
  } else if (!reply.chunked) {
    response.set_content_provider(
        reply.generated_bytes, "text/plain",
        [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          SendGenerated(offset, length, sink);
          return true;
        });
  } else {
    const std::size_t total = reply.generated_bytes;
    response.set_chunked_content_provider("text/plain",
                                          [total](std::size_t offset, httplib::DataSink& sink) {
                                            if (offset >= total) {
                                              sink.done();
                                            } else {
                                              SendGenerated(offset, total - offset, sink);
                                            }
                                            return true;
                                          });
  }
}

}  // namespace

RecordingServer::RecordingServer() : server_(std::make_unique<httplib::Server>()) {
  const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
    std::chrono::milliseconds delay;
    Reply reply;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({request.method, request.path, request.body,
                           request.get_header_value("Content-Type"),
                           request.get_header_value("User-Agent")});
      delay = delay_;
      if (const auto found = replies_.find(request.path); found != replies_.end()) {
        reply = found->second;
      }
    }
    std::this_thread::sleep_for(delay);
    Fill(response, reply);
  };
  server_->Post(".*", handler);
  server_->Get(".*", handler);
  // One request per connection, so that stopping does not wait for an idle kept-alive one.
  server_->set_keep_alive_max_count(1);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("no free port for the test server");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

RecordingServer::~RecordingServer() {
  server_->stop();
  thread_.join();
}

std::string RecordingServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void RecordingServer::Answer(const std::string& path, const std::string& body) {
  Reply reply;
  reply.body = body;
  Respond(path, std::move(reply));
}

void RecordingServer::Respond(const std::string& path, Reply reply) {
  std::lock_guard lock(mutex_);
  replies_[path] = std::move(reply);
}

void RecordingServer::Delay(std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  delay_ = delay;
}

std::vector<RecordingServer::Request> RecordingServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t RecordingServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

SilentServer::SilentServer() {
  socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (socket_ < 0 || ::bind(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(socket_, 16) != 0 ||
      ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no free port for the silent server");
  }
  port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() {
  ::close(socket_);
}

std::string SilentServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

}  // namespace ostravel::test
