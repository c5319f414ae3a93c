#include "LineQueue.h"

namespace ostravel::app {

void LineQueue::Request(std::string prompt, std::function<void()> arrived) {
  std::lock_guard lock(mutex_);
  prompt_ = std::move(prompt);
  arrived_ = std::move(arrived);
  wanted_ = true;
  requested_.notify_all();
}

bool LineQueue::Ready() const {
  std::lock_guard lock(mutex_);
  return !lines_.empty() || ended_;
}

std::optional<std::string> LineQueue::Take() {
  std::lock_guard lock(mutex_);
  arrived_ = nullptr;
  wanted_ = false;
  if (lines_.empty()) return std::nullopt;
  auto line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

bool LineQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  arrived_ = nullptr;
  requested_.notify_all();
  return idle_ || ended_;
}

std::optional<std::string> LineQueue::WaitForRequest() {
  std::unique_lock lock(mutex_);
  idle_ = true;
  requested_.wait(lock, [this] { return wanted_ || closed_; });
  idle_ = false;
  if (closed_) return std::nullopt;
  return prompt_;
}

bool LineQueue::Deliver(std::string line) {
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  lines_.push_back(std::move(line));
  Arrived(lock);
  return true;
}

bool LineQueue::Feed(std::string_view bytes) {
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  bool complete = false;
  for (;;) {
    const auto end = bytes.find('\n');
    if (end == std::string_view::npos) break;
    partial_.append(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
    // Scripts written on Windows end their lines with CR LF.
    if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    lines_.push_back(std::move(partial_));
    partial_.clear();
    complete = true;
  }
  partial_.append(bytes);
  if (complete) Arrived(lock);
  return true;
}

void LineQueue::End() {
  std::unique_lock lock(mutex_);
  if (!partial_.empty()) {
    if (partial_.back() == '\r') partial_.pop_back();
    lines_.push_back(std::move(partial_));
    partial_.clear();
  }
  ended_ = true;
  Arrived(lock);
}

// Called with the lock held, so that Take and Close, once returned, know it is not running.
void LineQueue::Arrived(std::unique_lock<std::mutex>&) {
  wanted_ = false;
  if (arrived_) arrived_();
}

}  // namespace ostravel::app
