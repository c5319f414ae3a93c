#include "service/http/ConnectionWatch.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "service/http/SteadyClock.h"

namespace ostravel::service {
namespace {

constexpr auto kSweepEvery = std::chrono::milliseconds(250);
constexpr std::size_t kAddressesNamed = 5;

}  // namespace

ConnectionWatch::ConnectionWatch(int timeoutSeconds, AccessLog& log)
    : timeoutMs_(timeoutSeconds * 1000LL), log_(log) {}

ConnectionWatch::~ConnectionWatch() {
  Stop();
  for (Watched* watched : watched_) delete watched;
}

void ConnectionWatch::Start() {
  const std::lock_guard lock(mutex_);
  if (timeoutMs_ <= 0 || running_) return;
  running_ = true;
  thread_ = std::thread([this] { Run(); });
}

void ConnectionWatch::Stop() {
  {
    const std::lock_guard lock(mutex_);
    running_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void* ConnectionWatch::Opened(int fd, const std::string& address) {
  auto* watched = new Watched{fd, address, SteadyMs()};
  const std::lock_guard lock(mutex_);
  watched_.insert(watched);
  return watched;
}

void ConnectionWatch::Closed(void* token) {
  auto* watched = static_cast<Watched*>(token);
  if (watched == nullptr) return;
  {
    const std::lock_guard lock(mutex_);
    watched_.erase(watched);
  }
  delete watched;
}

void ConnectionWatch::Requesting(void* token) {
  if (token == nullptr) return;
  const std::lock_guard lock(mutex_);
  static_cast<Watched*>(token)->idle = false;
}

void ConnectionWatch::Answering(void* token) {
  if (token == nullptr) return;
  const std::lock_guard lock(mutex_);
  static_cast<Watched*>(token)->waiting = false;
}

void ConnectionWatch::Answered(void* token) {
  if (token == nullptr) return;
  const std::lock_guard lock(mutex_);
  auto* watched = static_cast<Watched*>(token);
  watched->waiting = true;
  watched->idle = true;
  watched->since_ms = SteadyMs();
}

std::size_t ConnectionWatch::Open() {
  const std::lock_guard lock(mutex_);
  return watched_.size();
}

std::size_t ConnectionWatch::CloseIdle(std::size_t count) {
  const std::lock_guard lock(mutex_);
  std::vector<Watched*> idle;
  for (Watched* watched : watched_) {
    if (watched->idle && !watched->cut) idle.push_back(watched);
  }
  const std::size_t closing = std::min(count, idle.size());
  std::partial_sort(idle.begin(), idle.begin() + static_cast<std::ptrdiff_t>(closing), idle.end(),
                    [](const Watched* a, const Watched* b) { return a->since_ms < b->since_ms; });
  for (std::size_t i = 0; i < closing; ++i) {
    // As in CutLate: the library closes the socket and sends the close notice.
    shutdown(idle[i]->fd, SHUT_RDWR);
    idle[i]->cut = true;
  }
  return closing;
}

void ConnectionWatch::Run() {
  std::unique_lock lock(mutex_);
  while (running_) {
    wake_.wait_for(lock, kSweepEvery, [this] { return !running_; });
    if (running_) CutLate(SteadyMs());
  }
}

void ConnectionWatch::CutLate(std::int64_t nowMs) {
  std::size_t cut = 0;
  std::string addresses;
  for (Watched* watched : watched_) {
    if (!watched->waiting || watched->cut || nowMs - watched->since_ms < timeoutMs_) continue;
    // Only shut down, never closed here: the socket stays the library's until its close
    // notice, which waits for this lock, so the descriptor cannot have been reused.
    shutdown(watched->fd, SHUT_RDWR);
    watched->cut = true;
    if (++cut <= kAddressesNamed) addresses += (cut == 1 ? "" : ", ") + watched->address;
  }
  if (cut == 0) return;
  if (cut > kAddressesNamed) addresses += ", ...";
  log_.Error("closed " + std::to_string(cut) + " connection(s) with no complete request within " +
             std::to_string(timeoutMs_ / 1000) + " s, from " + addresses);
}

}  // namespace ostravel::service
