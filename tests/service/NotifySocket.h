#pragma once

#include <filesystem>
#include <string>

namespace ostravel::test {

// A datagram socket like the one systemd reads sd_notify's messages from, in a folder of the
// test's; while it lives, NOTIFY_SOCKET names it, so programs started meanwhile report to it.
class NotifySocket {
 public:
  explicit NotifySocket(const std::filesystem::path& folder);
  ~NotifySocket();
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;

  // The next message, or "" when none comes within a minute.
  std::string Next();

 private:
  int fd_ = -1;
  std::filesystem::path path_;
};

}  // namespace ostravel::test
