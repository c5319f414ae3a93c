#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>

#include "service/http/AccessLog.h"

namespace ostravel::service {

// Closes connections that are too slow to deliver a request. The library's own time-out
// counts only silence, so a client trickling a byte now and then would hold its connection
// for ever; here each request must be complete within a fixed time of the connection's
// opening or of the answer before it.
class ConnectionWatch {
 public:
  // timeoutSeconds 0 turns the watch off.
  ConnectionWatch(int timeoutSeconds, AccessLog& log);
  ~ConnectionWatch();
  ConnectionWatch(const ConnectionWatch&) = delete;
  ConnectionWatch& operator=(const ConnectionWatch&) = delete;

  void Start();
  void Stop();

  // Called from the library's threads. Opened returns the connection's token, which the
  // others take; Closed comes while the socket is still open and ends the token.
  void* Opened(int fd, const std::string& address);
  void Closed(void* token);
  // The first bytes of a request have come: the connection is no longer idle.
  void Requesting(void* token);
  // A whole request is in and its answer is being made: the clock stops.
  void Answering(void* token);
  // The answer is out: the clock starts again for the next request.
  void Answered(void* token);

  // Connections open now.
  std::size_t Open();
  // Shuts down the `count` connections idle longest (no request begun since they opened or
  // since their last answer), so that new clients find room near the cap; returns how many.
  std::size_t CloseIdle(std::size_t count);

 private:
  struct Watched {
    int fd = -1;
    std::string address;
    std::int64_t since_ms = 0;
    bool waiting = true;
    bool idle = true;
    bool cut = false;
  };
  void Run();
  void CutLate(std::int64_t nowMs);

  const std::int64_t timeoutMs_;
  AccessLog& log_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool running_ = false;
  std::unordered_set<Watched*> watched_;
  std::thread thread_;
};

}  // namespace ostravel::service
