#include "support/RecordingServer.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace ostravel::test {

RecordingServer::RecordingServer() : server_(std::make_unique<httplib::Server>()) {
  server_->Post(".*", [this](const httplib::Request& request, httplib::Response& response) {
    std::chrono::milliseconds delay;
    std::string answer;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back({request.path, request.body, request.get_header_value("Content-Type"),
                           request.get_header_value("User-Agent")});
      delay = delay_;
      answer = answers_[request.path];
    }
    std::this_thread::sleep_for(delay);
    response.set_content(answer, "text/plain");
  });
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
  std::lock_guard lock(mutex_);
  answers_[path] = body;
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
