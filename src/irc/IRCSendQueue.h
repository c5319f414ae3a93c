#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/EventLoop.h"

namespace ostravel {

// The lines one server connection sends, paced so that a burst of our own (a CTCP flood we
// answer, many channels joined at once) cannot get us disconnected for flooding. Servers
// drop clients that write faster than they read; the rhythm is irssi's default, which common
// servers accept: a bucket of kBurst lines that refills one line per kInterval.
class IRCSendQueue {
 public:
  // kPong answers the server's keep-alive and never waits (a late one costs the connection);
  // kPlayer is what the player typed and overtakes our own automatic lines.
  enum class Kind { kPong, kPlayer, kAutomatic };
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `write` gets each line with its CR LF when it is its turn.
  IRCSendQueue(platform::EventLoop& loop, std::function<void(std::string line)> write,
               Clock now = std::chrono::steady_clock::now);
  ~IRCSendQueue();
  IRCSendQueue(const IRCSendQueue&) = delete;
  IRCSendQueue& operator=(const IRCSendQueue&) = delete;

  // Queues one line (without CR LF); it is written at once when the bucket allows. `if_lost`
  // is what to tell the player should the line never be written ("" for nothing).
  void Send(std::string line, Kind kind, std::string if_lost = {});
  // Drops every queued line and refills the bucket (the connection ended; a new one starts
  // fresh). Returns the `if_lost` texts of the dropped lines, in their order.
  std::vector<std::string> Clear();
  // Lines waiting for their turn.
  std::size_t Queued() const;
  // Bytes of those lines, with their CR LF.
  std::size_t QueuedBytes() const { return queued_bytes_; }

  // Test hook: the injected clock has jumped; plans the timer again against it, so that lines
  // now due go out on the loop's next turn.
  void Reschedule();

  static constexpr int kBurst = 5;
  static constexpr std::chrono::milliseconds kInterval{2000};

 private:
  void Refill(std::chrono::steady_clock::time_point now);
  std::optional<std::string> TakeNext();
  void Pump();
  void ArmTimer();

  std::function<void(std::string)> write_;
  Clock now_;
  std::unique_ptr<platform::LoopTimer> timer_;
  struct Entry {
    std::string line;
    std::string if_lost;
  };

  std::deque<Entry> pongs_;
  std::deque<Entry> player_;
  std::deque<Entry> automatic_;
  std::size_t queued_bytes_ = 0;
  int tokens_ = kBurst;
  // Where the next token starts to accrue; while the bucket is full it follows the clock.
  std::chrono::steady_clock::time_point refill_from_;
  // When the timer is set to fire, in the queue's clock; empty while it is not set.
  std::optional<std::chrono::steady_clock::time_point> armed_for_;
  // True while `write` runs: a Send from inside it only queues, and the running Pump takes it.
  bool pumping_ = false;
  // Expires with the queue, so a Pump whose `write` destroyed it touches nothing afterwards.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ostravel
