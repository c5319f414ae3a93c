#include "service/http/AccessLog.h"

#include <chrono>
#include <ctime>

#include "service/http/SteadyClock.h"

namespace ostravel::service {
namespace {

std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

constexpr std::int64_t kErrorWindowMs = 10'000;

}  // namespace

std::string AccessLog::Field(std::string_view text, std::size_t max_length) {
  if (text.empty()) return "-";
  std::string field;
  for (const char c : text.substr(0, max_length)) {
    const auto byte = static_cast<unsigned char>(c);
    field += (byte > 0x20 && byte < 0x7F) ? c : '?';
  }
  if (text.size() > max_length) field += "...";
  return field;
}

void AccessLog::Request(const Entry& entry) {
  std::string line = UtcNow();
  line += ' ';
  line += Field(entry.address, 64);
  line += ' ';
  line += Field(entry.method, 16);
  line += ' ';
  line += Field(entry.path);
  line += ' ';
  line += Field(entry.detail, 32);
  line += ' ';
  line += entry.status == 0 ? std::string("-") : std::to_string(entry.status);
  line += ' ';
  line += std::to_string(entry.milliseconds);
  line += "ms";
  if (!entry.note.empty()) {
    line += ' ';
    line += entry.note;
  }
  Write(line);
}

void AccessLog::Error(std::string_view text) {
  const std::int64_t nowMs = SteadyMs();
  {
    const std::lock_guard lock(mutex_);
    if (nowMs - windowStartMs_ >= kErrorWindowMs) {
      if (suppressedErrors_ > 0) {
        out_ << UtcNow() << " error: " << suppressedErrors_ << " more error lines not shown\n";
      }
      windowStartMs_ = nowMs;
      windowErrors_ = 0;
      suppressedErrors_ = 0;
    }
    if (++windowErrors_ > kErrorsPerWindow) {
      ++suppressedErrors_;
      return;
    }
  }
  std::string line = UtcNow();
  line += " error: ";
  for (const char c : text) {
    // A library's message may end in a line break; a log line never holds one.
    line += (c == '\n' || c == '\r') ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  Write(line);
}

void AccessLog::Write(const std::string& line) {
  const std::lock_guard lock(mutex_);
  out_ << line << '\n';
  out_.flush();
}

}  // namespace ostravel::service
