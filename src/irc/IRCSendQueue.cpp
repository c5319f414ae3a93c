#include "irc/IRCSendQueue.h"

#include <algorithm>
#include <utility>

namespace ostravel {

IRCSendQueue::IRCSendQueue(platform::EventLoop& loop, std::function<void(std::string line)> write,
                           Clock now)
    : write_(std::move(write)),
      now_(std::move(now)),
      timer_(loop.CreateTimer()),
      refill_from_(now_()) {}

IRCSendQueue::~IRCSendQueue() = default;

void IRCSendQueue::Send(std::string line, Kind kind, std::string if_lost) {
  queued_bytes_ += line.size() + 2;
  Entry entry{std::move(line), std::move(if_lost)};
  switch (kind) {
    case Kind::kPong:
      pongs_.push_back(std::move(entry));
      break;
    case Kind::kPlayer:
      player_.push_back(std::move(entry));
      break;
    case Kind::kAutomatic:
      automatic_.push_back(std::move(entry));
      break;
  }
  Pump();
}

std::vector<std::string> IRCSendQueue::Clear() {
  std::vector<std::string> lost;
  for (auto* queue : {&pongs_, &player_, &automatic_}) {
    for (Entry& entry : *queue) {
      if (!entry.if_lost.empty()) lost.push_back(std::move(entry.if_lost));
    }
    queue->clear();
  }
  queued_bytes_ = 0;
  tokens_ = kBurst;
  refill_from_ = now_();
  timer_->Cancel();
  armed_for_.reset();
  return lost;
}

std::size_t IRCSendQueue::Queued() const {
  return pongs_.size() + player_.size() + automatic_.size();
}

void IRCSendQueue::Reschedule() {
  armed_for_.reset();
  if (!pumping_) ArmTimer();
}

void IRCSendQueue::Refill(std::chrono::steady_clock::time_point now) {
  if (tokens_ < kBurst && now >= refill_from_) {
    const auto earned = (now - refill_from_) / kInterval;
    if (earned > 0) {
      tokens_ = static_cast<int>(std::min<decltype(earned)>(kBurst, tokens_ + earned));
      refill_from_ += earned * kInterval;
    }
  }
  // A full bucket earns nothing, and a clock that went back restarts the wait rather than
  // stalling until it catches up.
  if (tokens_ >= kBurst || now < refill_from_) refill_from_ = now;
}

std::optional<std::string> IRCSendQueue::TakeNext() {
  std::deque<Entry>* from = nullptr;
  if (!pongs_.empty()) {
    from = &pongs_;
  } else if (!player_.empty() || !automatic_.empty()) {
    Refill(now_());
    if (tokens_ == 0) return std::nullopt;
    --tokens_;
    from = player_.empty() ? &automatic_ : &player_;
  } else {
    return std::nullopt;
  }
  std::string line = std::move(from->front().line);
  from->pop_front();
  queued_bytes_ -= line.size() + 2;
  line += "\r\n";
  return line;
}

void IRCSendQueue::Pump() {
  // A Send from inside `write` lands here; the Pump already running takes its line.
  if (pumping_) return;
  pumping_ = true;
  const std::weak_ptr<bool> alive = alive_;
  while (auto line = TakeNext()) {
    try {
      write_(std::move(*line));
    } catch (...) {
      // The line is gone either way; what waits behind it keeps its turn.
      if (!alive.expired()) {
        pumping_ = false;
        ArmTimer();
      }
      throw;
    }
    if (alive.expired()) return;
  }
  pumping_ = false;
  ArmTimer();
}

void IRCSendQueue::ArmTimer() {
  if (Queued() == 0) {
    if (armed_for_) timer_->Cancel();
    armed_for_.reset();
    return;
  }
  const auto now = now_();
  Refill(now);
  const auto due = tokens_ == 0 && pongs_.empty() ? refill_from_ + kInterval : now;
  // During a flood every Send lands here; the timer already set for that moment stays.
  if (armed_for_ == due) return;
  armed_for_ = due;
  const auto delay = std::max(std::chrono::milliseconds(0),
                              std::chrono::ceil<std::chrono::milliseconds>(due - now));
  // The timer is a member: its work never runs once the queue is gone.
  timer_->Start(delay, [this] {
    armed_for_.reset();
    Pump();
  });
}

}  // namespace ostravel
