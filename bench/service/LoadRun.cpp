#include "LoadRun.h"

#include <unistd.h>

#include <algorithm>
#include <asio.hpp>
#include <chrono>
#include <deque>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "LoadConnection.h"
#include "LoadMix.h"

namespace ostravel::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDrainWithin = std::chrono::seconds(12);

// The process's peak resident memory so far (VmHWM), in KiB.
long PeakResidentKb(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// User and system time of a process so far, in seconds.
double CpuSeconds(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto afterName = text.rfind(')');
  if (afterName == std::string::npos) return 0;
  std::istringstream fields(text.substr(afterName + 2));
  std::string field;
  double ticks = 0;
  for (int index = 3; fields >> field && index <= 15; ++index) {
    if (index >= 14) ticks += std::stod(field);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The load of one run on one loop thread: arrivals, connections, the tally.
class LoadEngine {
 public:
  // Engine `index` of `count`, each on a thread of its own, takes its share of the load.
  LoadEngine(const LoadTarget& target, const LoadOptions& options, unsigned index, unsigned count)
      : target_(target),
        options_(options),
        index_(index),
        count_(count),
        tick_(loop_),
        memory_(loop_),
        mix_(index + 1),
        random_(index + 7) {
    endpoint_ =
        *asio::ip::tcp::resolver(loop_).resolve(target.host, std::to_string(target.port)).begin();
    spread_ = options.spreadAddresses && endpoint_.address().is_loopback();
  }

  LoadResult Run();

 private:
  struct Pending {
    Clock::time_point scheduled;
    LoadRequest request;
    std::uint32_t member = 0;
  };
  void Arrive();
  void Dispatch();
  void Send(Pending pending, std::shared_ptr<LoadConnection> connection);
  void SampleMemory();
  std::string HttpText(const LoadRequest& request) const;

  const LoadTarget target_;
  const LoadOptions options_;
  const unsigned index_;
  const unsigned count_;
  asio::io_context loop_;
  asio::steady_timer tick_;
  asio::steady_timer memory_;
  asio::ip::tcp::endpoint endpoint_;
  bool spread_ = false;
  LoadMix mix_;
  std::mt19937_64 random_;
  std::deque<Pending> waiting_;
  unsigned inFlight_ = 0;
  Clock::time_point start_, end_, nextArrival_;
  LoadResult result_;
};

std::string LoadEngine::HttpText(const LoadRequest& request) const {
  return "POST " + target_.path + request.script + " HTTP/1.1\r\nHost: " + target_.host +
         "\r\nUser-Agent: Ostravel 3004\r\nContent-Type: application/x-www-form-urlencoded\r\n" +
         (options_.keepAlive ? "" : "Connection: close\r\n") +
         "Content-Length: " + std::to_string(request.body.size()) + "\r\n\r\n" + request.body;
}

void LoadEngine::Send(Pending pending, std::shared_ptr<LoadConnection> connection) {
  if (!connection) {
    std::optional<asio::ip::address_v4> source;
    if (spread_) source = asio::ip::address_v4(0x7F000002u + pending.member % 0xFFFFF0u);
    connection = std::make_shared<LoadConnection>(loop_, endpoint_, source, options_.keepAlive);
  }
  ++inFlight_;
  ++result_.sent;
  const auto scheduled = pending.scheduled;
  connection->Exchange(HttpText(pending.request), [this, scheduled, connection](int status) {
    --inFlight_;
    if (status < 0) {
      ++result_.failed;
    } else {
      ++result_.statuses[status];
      const auto us =
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - scheduled);
      result_.latenciesUs.push_back(static_cast<std::uint32_t>(us.count()));
    }
    if (options_.saturate > 0 && Clock::now() < end_) {
      std::uint32_t member = 0;
      LoadRequest next = mix_.Next(options_.members, member);
      Send({Clock::now(), std::move(next), member}, options_.keepAlive ? connection : nullptr);
    } else {
      Dispatch();
    }
    if (inFlight_ == 0 && Clock::now() >= end_) loop_.stop();
  });
}

void LoadEngine::Arrive() {
  const double rate = LoadMix::PerMemberRate() * options_.members / count_;
  std::exponential_distribution<double> gap(rate);
  const auto now = Clock::now();
  while (nextArrival_ <= now && nextArrival_ < end_) {
    std::uint32_t member = 0;
    LoadRequest request = mix_.Next(options_.members, member);
    waiting_.push_back({nextArrival_, std::move(request), member});
    nextArrival_ +=
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(gap(random_)));
  }
  Dispatch();
  if (now >= end_) {
    if (inFlight_ == 0) loop_.stop();
    return;
  }
  // Woken for the next arrival itself, so that no request waits for a tick.
  tick_.expires_at(std::min(nextArrival_, end_));
  tick_.async_wait([this](const asio::error_code& error) {
    if (!error) Arrive();
  });
}

void LoadEngine::Dispatch() {
  while (!waiting_.empty() && inFlight_ * count_ < options_.max_connections) {
    Pending pending = std::move(waiting_.front());
    waiting_.pop_front();
    Send(std::move(pending), nullptr);
  }
}

void LoadEngine::SampleMemory() {
  if (target_.pid == 0 || index_ != 0) return;
  result_.peakRssKb = std::max(result_.peakRssKb, PeakResidentKb(target_.pid));
  memory_.expires_after(std::chrono::milliseconds(100));
  memory_.async_wait([this](const asio::error_code& error) {
    if (!error) SampleMemory();
  });
}

LoadResult LoadEngine::Run() {
  start_ = nextArrival_ = Clock::now();
  end_ = start_ + std::chrono::duration_cast<Clock::duration>(
                      std::chrono::duration<double>(options_.seconds));
  SampleMemory();
  if (options_.saturate > 0) {
    for (unsigned i = index_; i < options_.saturate; i += count_) {
      std::uint32_t member = 0;
      LoadRequest request = mix_.Next(options_.members, member);
      Send({start_, std::move(request), member}, nullptr);
    }
  } else {
    Arrive();
  }
  loop_.run_until(end_ + kDrainWithin);
  result_.seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  SampleMemory();
  memory_.cancel();
  return std::move(result_);
}

}  // namespace

LoadTarget ParseTarget(const std::string& url) {
  static const std::regex form(R"(http://([^/:]+)(?::(\d+))?(/.*)?)");
  std::smatch parts;
  if (!std::regex_match(url, parts, form)) {
    throw std::invalid_argument("not an http:// address: " + url);
  }
  LoadTarget target;
  target.url = url;
  target.host = parts[1];
  if (parts[2].matched) target.port = static_cast<std::uint16_t>(std::stoi(parts[2]));
  target.path = parts[3].matched ? parts[3].str() : "/";
  if (target.path.back() != '/') target.path += '/';
  return target;
}

double LoadResult::Percentile(double fraction) const {
  if (latenciesUs.empty()) return 0;
  const auto last = static_cast<double>(latenciesUs.size() - 1);
  return latenciesUs[static_cast<std::size_t>(fraction * last)] / 1000.0;
}

LoadResult RunLoad(const LoadTarget& target, const LoadOptions& options) {
  const unsigned count = std::max(options.threads, 1u);
  std::vector<LoadResult> parts(count);
  const double cpuBefore = target.pid ? CpuSeconds(target.pid) : 0;
  std::vector<std::thread> threads;
  for (unsigned index = 0; index < count; ++index) {
    threads.emplace_back(
        [&, index] { parts[index] = LoadEngine(target, options, index, count).Run(); });
  }
  for (std::thread& thread : threads) thread.join();
  LoadResult total;
  for (LoadResult& part : parts) {
    total.seconds = std::max(total.seconds, part.seconds);
    total.sent += part.sent;
    total.failed += part.failed;
    for (const auto& [status, number] : part.statuses) total.statuses[status] += number;
    total.latenciesUs.insert(total.latenciesUs.end(), part.latenciesUs.begin(),
                             part.latenciesUs.end());
    total.peakRssKb = std::max(total.peakRssKb, part.peakRssKb);
  }
  if (target.pid) total.serverCpuSeconds = CpuSeconds(target.pid) - cpuBefore;
  std::sort(total.latenciesUs.begin(), total.latenciesUs.end());
  return total;
}

}  // namespace ostravel::bench
