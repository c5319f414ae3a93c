#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ostravel::bench {

struct LoadTarget {
  std::string url;  // the base address; script names are appended
  std::string host;
  std::uint16_t port = 80;
  std::string path = "/";
  int pid = 0;  // the server's process, for its memory; 0: not known
};

// Throws std::invalid_argument for anything but http://HOST[:PORT][/PATH].
LoadTarget ParseTarget(const std::string& url);

struct LoadOptions {
  std::uint32_t members = 1000;
  double seconds = 20;
  // Open loop (the default): requests arrive at the members' rate, as a Poisson stream, each
  // on a fresh connection. Closed loop (`saturate` > 0): that many clients send back to back.
  unsigned saturate = 0;
  bool keepAlive = false;  // closed loop only: each client keeps its connection
  unsigned max_connections = 1000;
  // Loop threads of the generator, each with its share of the load.
  unsigned threads = 4;
  // Each member connects from its own loopback address (127.0.0.2 and up), so that the
  // server's limits per address see what they would see on the internet.
  bool spreadAddresses = true;
};

struct LoadResult {
  double seconds = 0;
  std::uint64_t sent = 0;
  std::uint64_t failed = 0;  // no answer at all
  std::map<int, std::uint64_t> statuses;
  std::vector<std::uint32_t> latenciesUs;  // of every answer from its scheduled time, sorted
  long peakRssKb = 0;                      // of the target's process since it started (VmHWM)
  double serverCpuSeconds = 0;             // user and system time the target's process spent in it
  double Percentile(double fraction) const;  // in milliseconds
};

LoadResult RunLoad(const LoadTarget& target, const LoadOptions& options);

}  // namespace ostravel::bench
