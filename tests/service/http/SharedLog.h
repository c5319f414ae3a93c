#pragma once

#include <chrono>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>

namespace ostravel::service::test {

// An output stream that the server's threads write and a test reads while they do.
class SharedLog : private std::streambuf, public std::ostream {
 public:
  SharedLog() : std::ostream(static_cast<std::streambuf*>(this)) {}

  std::string Text() {
    const std::lock_guard lock(mutex_);
    return text_;
  }

  // Lines are written once an answer is out, a moment after the client has it.
  bool WaitFor(const std::string& part, std::chrono::seconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Text().find(part) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

 private:
  int overflow(int c) override {
    const std::lock_guard lock(mutex_);
    if (c != std::streambuf::traits_type::eof()) text_ += static_cast<char>(c);
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    const std::lock_guard lock(mutex_);
    text_.append(text, static_cast<std::size_t>(count));
    return count;
  }

  std::mutex mutex_;
  std::string text_;
};

}  // namespace ostravel::service::test
