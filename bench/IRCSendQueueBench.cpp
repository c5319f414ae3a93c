// How long a line the player types waits behind a CTCP flood once the bucket lets a line out:
// the queue's own cost, from Send to the write, with the 2-s rhythm skipped by its clock.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "irc/IRCSendQueue.h"
#include "platform/EventLoop.h"

namespace {

using namespace ostravel;
using Kind = IRCSendQueue::Kind;
using Steady = std::chrono::steady_clock;

constexpr int kFloodLines = 600;

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Each iteration: 600 automatic lines wait and the bucket is empty; the player's line is
// queued, the clock moves one interval on, the queue's timer fires on the loop and writes it
// (ahead of the flood, which stays 600 long). The time measured runs from Send to the
// player's line reaching `write`, less the interval.
void BM_SendQueueUnderCtcpFlood(benchmark::State& state) {
  platform::EventLoop loop;
  Steady::time_point now{std::chrono::hours(1)};
  Steady::time_point sent_at;
  Steady::time_point written_at;
  std::size_t player_lines = 0;
  IRCSendQueue queue(
      loop,
      [&](std::string line) {
        if (line.starts_with("PRIVMSG #ac")) {
          written_at = Steady::now();
          ++player_lines;
        }
        benchmark::DoNotOptimize(line.data());
      },
      [&] { return now; });
  const std::string reply = "NOTICE flooder :\x01VERSION Ostravel 3.0.0.10\x01";
  for (int i = 0; i < IRCSendQueue::kBurst + kFloodLines; ++i) queue.Send(reply, Kind::kAutomatic);

  std::vector<double> micros;
  std::vector<double> send_micros;
  for (auto _ : state) {
    sent_at = Steady::now();
    queue.Send("PRIVMSG #ac :heading to the portal now", Kind::kPlayer);
    send_micros.push_back(
        std::chrono::duration<double, std::micro>(Steady::now() - sent_at).count());
    now += IRCSendQueue::kInterval;
    queue.Reschedule();
    loop.Poll();
    const double elapsed = std::chrono::duration<double>(written_at - sent_at).count();
    state.SetIterationTime(elapsed);
    micros.push_back(elapsed * 1e6);
  }
  if (player_lines != micros.size() || queue.Queued() != kFloodLines) {
    state.SkipWithError("the player's line did not go out next");
  }
  state.counters["p50_us"] = Percentile(micros, 0.50);
  state.counters["p99_us"] = Percentile(micros, 0.99);
  // Send alone, while the line only queues behind the timer already set.
  state.counters["send_p50_us"] = Percentile(send_micros, 0.50);
}
BENCHMARK(BM_SendQueueUnderCtcpFlood)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
