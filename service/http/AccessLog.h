#pragma once

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace ostravel::service {

// The server's log: one line per request with the fields an operator greps for, and error
// lines with their context. Lines from all worker threads, whole and in order of writing.
class AccessLog {
 public:
  struct Entry {
    std::string_view address;
    std::string_view method;
    std::string_view path;
    std::string_view detail;  // the first word of the arguments, or empty
    int status = 0;           // 0: the request ended without an answer
    std::int64_t milliseconds = 0;
    std::string_view note;  // why the server answered itself (a limit), or why it closed
  };

  explicit AccessLog(std::ostream& out) : out_(out) {}

  // "2026-12-06T20:55:01Z 127.0.0.1 POST /member.php list 200 3ms"
  void Request(const Entry& entry);
  // "2026-12-06T20:55:01Z error: TEXT". At most kErrorsPerWindow lines in each 10 s; a flood
  // beyond them is counted, and the count written when the next window opens.
  void Error(std::string_view text);
  static constexpr int kErrorsPerWindow = 50;

  // Text from a client made safe for one log line: no spaces or control bytes, cut short.
  static std::string Field(std::string_view text, std::size_t max_length = 80);

 private:
  void Write(const std::string& line);

  std::mutex mutex_;
  std::ostream& out_;
  std::int64_t windowStartMs_ = 0;
  int windowErrors_ = 0;
  int suppressedErrors_ = 0;
};

}  // namespace ostravel::service
