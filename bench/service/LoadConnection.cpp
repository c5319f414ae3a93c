#include "LoadConnection.h"

#include <strings.h>

#include <chrono>

namespace ostravel::bench {
namespace {

constexpr auto kAnswerWithin = std::chrono::seconds(10);

}  // namespace

LoadConnection::LoadConnection(asio::io_context& loop, asio::ip::tcp::endpoint target,
                               std::optional<asio::ip::address_v4> source, bool keepAlive)
    : socket_(loop), timer_(loop), target_(target), source_(source), keepAlive_(keepAlive) {}

void LoadConnection::Exchange(std::string request, Done done) {
  request_ = std::move(request);
  response_.clear();
  done_ = std::move(done);
  timer_.expires_after(kAnswerWithin);
  timer_.async_wait([self = shared_from_this()](const asio::error_code& error) {
    if (!error) self->socket_.close();
  });
  if (socket_.is_open()) {
    Write();
  } else {
    Connect();
  }
}

void LoadConnection::Connect() {
  asio::error_code error;
  socket_.open(asio::ip::tcp::v4(), error);
  if (!error && source_) socket_.bind(asio::ip::tcp::endpoint(*source_, 0), error);
  if (error) return Finish(-1);
  socket_.async_connect(target_, [self = shared_from_this()](const asio::error_code& failed) {
    if (failed) return self->Finish(-1);
    self->socket_.set_option(asio::ip::tcp::no_delay(true));
    self->Write();
  });
}

void LoadConnection::Write() {
  asio::async_write(socket_, asio::buffer(request_),
                    [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                      if (error) return self->Finish(-1);
                      self->Read();
                    });
}

void LoadConnection::Read() {
  socket_.async_read_some(
      asio::buffer(buffer_),
      [self = shared_from_this()](const asio::error_code& error, std::size_t count) {
        self->response_.append(self->buffer_, count);
        const int status = self->CompleteStatus(static_cast<bool>(error));
        if (status != 0) return self->Finish(status);
        if (error) return self->Finish(-1);
        self->Read();
      });
}

int LoadConnection::CompleteStatus(bool atEnd) {
  const std::size_t headerEnd = response_.find("\r\n\r\n");
  if (headerEnd == std::string::npos) return atEnd ? -1 : 0;
  const int status = std::atoi(response_.c_str() + response_.find(' ') + 1);
  const std::string headers = response_.substr(0, headerEnd);
  std::size_t length = 0;
  bool hasLength = false;
  std::size_t line = headers.find("\r\n");
  while (line != std::string::npos) {
    const char* text = headers.c_str() + line + 2;
    if (strncasecmp(text, "Content-Length:", 15) == 0) {
      length = std::strtoul(text + 15, nullptr, 10);
      hasLength = true;
    } else if (strncasecmp(text, "Connection: close", 17) == 0) {
      closeAfter_ = true;
    }
    line = headers.find("\r\n", line + 2);
  }
  if (!hasLength) return atEnd ? status : 0;
  return response_.size() >= headerEnd + 4 + length ? status : 0;
}

void LoadConnection::Finish(int status) {
  timer_.cancel();
  if (status <= 0 || !keepAlive_ || closeAfter_) {
    asio::error_code ignored;
    socket_.close(ignored);
    closeAfter_ = false;
  }
  if (done_) {
    Done done = std::move(done_);
    done_ = nullptr;
    done(status);
  }
}

}  // namespace ostravel::bench
