// ostravel_service_read_p99: how long reads wait while the service is busy writing. WRITERS
// clients post messages back to back and READERS clients ask "inbox new" back to back, each
// request on a new connection from an address of its own (so no per-address limit applies),
// for SECONDS; prints the reads' p50, p99 and longest wait and what the writes got.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

#include "LoadConnection.h"
#include "LoadMix.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
  asio::io_context loop;
  asio::ip::tcp::endpoint target;
  Clock::time_point end;
  std::uint32_t next_address = 0;
  std::vector<double> read_ms;
  std::map<int, int> write_statuses;
  std::map<int, int> read_statuses;
};

asio::ip::address_v4 NextSource(Run& run) {
  // 127.1.0.1 onwards: 250 addresses to each third octet.
  const std::uint32_t n = run.next_address++;
  return asio::ip::address_v4((127u << 24) | ((1u + n / 62500u) << 16) |
                              (((n / 250u) % 250u) << 8) | (n % 250u + 1u));
}

std::string Request(const std::string& body) {
  return "POST /message.php HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Body(std::uint32_t member, const std::string& args) {
  return ostravel::bench::FormEncode("CID=" + std::to_string(1342177281u + member) +
                                     "&MID=1342177281&Location=2846097433&Localtime=12/6/2026 "
                                     "9:14:05 PM&FLID=0&WantFellowship=0&args=" +
                                     args);
}

void Client(Run& run, bool writer, std::uint32_t member, std::uint64_t sent) {
  if (Clock::now() >= run.end) return;
  auto connection = std::make_shared<ostravel::bench::LoadConnection>(run.loop, run.target,
                                                                      NextSource(run), false);
  const auto start = Clock::now();
  const std::string args =
      writer ? "send Bench" + std::to_string(member) + " burst " + std::to_string(sent)
             : "inbox new";
  connection->Exchange(
      Request(Body(member, args)), [&run, writer, member, sent, start, connection](int status) {
        if (writer) {
          ++run.write_statuses[status];
        } else {
          ++run.read_statuses[status];
          run.read_ms.push_back(
              std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        Client(run, writer, member, sent + 1);
      });
}

double Percentile(std::vector<double>& values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
  return values[index];
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Reads' latency while the service writes");
  std::string address = "127.0.0.1";
  std::uint16_t port = 8080;
  int writers = 32, readers = 4, seconds = 10;
  app.add_option("--address", address);
  app.add_option("--port", port)->required();
  app.add_option("--writers", writers)->capture_default_str();
  app.add_option("--readers", readers)->capture_default_str();
  app.add_option("--seconds", seconds)->capture_default_str();
  CLI11_PARSE(app, argc, argv);
  Run run;
  run.target = {asio::ip::make_address(address), port};
  run.end = Clock::now() + std::chrono::seconds(seconds);
  for (int i = 0; i < writers; ++i) Client(run, true, static_cast<std::uint32_t>(1000 + i), 0);
  for (int i = 0; i < readers; ++i) Client(run, false, static_cast<std::uint32_t>(2000 + i), 0);
  run.loop.run();
  const auto statuses = [](const std::map<int, int>& counts) {
    std::string text;
    for (const auto& [status, count] : counts) {
      text += " " + std::to_string(status) + ":" + std::to_string(count);
    }
    return text;
  };
  const std::size_t reads = run.read_ms.size();
  std::printf("reads %zu  p50 %.1f ms  p99 %.1f ms  max %.1f ms  (%s)\nwrites%s\n", reads,
              Percentile(run.read_ms, 0.5), Percentile(run.read_ms, 0.99),
              Percentile(run.read_ms, 1.0), statuses(run.read_statuses).c_str(),
              statuses(run.write_statuses).c_str());
  return 0;
}
