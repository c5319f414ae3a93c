// ostravel_service_load: the plug-in's request mix for N online members against any number
// of service addresses, one after another, with requests/s, p50, p99 and the server's peak
// memory, and each target's figures as a ratio of the first's.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <map>

#include "LoadMix.h"
#include "LoadPopulate.h"
#include "LoadRun.h"

namespace {

using ostravel::bench::LoadOptions;
using ostravel::bench::LoadResult;
using ostravel::bench::LoadTarget;

struct Row {
  double perSecond = 0;
  double p99 = 0;
};

Row Report(const LoadTarget& target, const LoadOptions& options, const LoadResult& result) {
  std::uint64_t ok = 0;
  std::string statuses;
  for (const auto& [status, count] : result.statuses) {
    if (status >= 200 && status < 300) ok += count;
    statuses += " " + std::to_string(status) + ":" + std::to_string(count);
  }
  const double answered = static_cast<double>(result.latenciesUs.size());
  const Row row{answered / result.seconds, result.Percentile(0.99)};
  const double cpuUsPerRequest = answered ? 1e6 * result.serverCpuSeconds / answered : 0;
  std::printf("%-28s %8u %9.1f %9.1f %7.2f %7.2f %8.2f %8.1f %7.0f %8.1f%%  %s%s\n",
              target.url.c_str(), options.members,
              options.saturate ? 0.0 : ostravel::bench::LoadMix::PerMemberRate() * options.members,
              row.perSecond, result.Percentile(0.5), row.p99, result.Percentile(1.0),
              result.peakRssKb / 1024.0, cpuUsPerRequest, answered ? 100.0 * ok / answered : 0.0,
              statuses.c_str(),
              result.failed ? (" no answer:" + std::to_string(result.failed)).c_str() : "");
  std::fflush(stdout);
  return row;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("The plug-in's request mix for N online members against service addresses");
  std::vector<std::string> urls;
  std::vector<int> pids;
  std::vector<std::uint32_t> memberCounts = {1000, 10000, 100000};
  LoadOptions options;
  bool sameAddress = false;
  unsigned populate = 0;
  app.add_option("--target", urls, "A base address, http://HOST:PORT/ (repeat for more)")
      ->required();
  app.add_option("--pid", pids, "The process of each target, in order, for its memory (0: none)");
  app.add_option("--members", memberCounts, "Online members, one run each")->delimiter(',');
  app.add_option("--seconds", options.seconds, "Length of each run");
  app.add_option("--saturate", options.saturate,
                 "Closed loop: this many clients back to back instead of the members' rate");
  app.add_flag("--keep-alive", options.keepAlive, "Closed loop: each client keeps its connection");
  app.add_option("--max-connections", options.max_connections, "Connections open at once");
  app.add_option("--threads", options.threads, "Loop threads of the generator");
  app.add_flag("--same-address", sameAddress, "All from 127.0.0.1 instead of one per member");
  app.add_option("--populate", populate,
                 "Before each run, post the record of every member not yet on file, this many "
                 "at a time (0: none)");
  CLI11_PARSE(app, argc, argv);
  options.spreadAddresses = !sameAddress;

  std::vector<LoadTarget> targets;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    targets.push_back(ostravel::bench::ParseTarget(urls[i]));
    if (i < pids.size()) targets.back().pid = pids[i];
  }
  std::printf("%-28s %8s %9s %9s %7s %7s %8s %8s %7s %9s  %s\n", "target", "members", "offered/s",
              "done/s", "p50 ms", "p99 ms", "max ms", "peak MB", "cpu us", "2xx", "statuses");
  std::map<std::uint32_t, std::vector<Row>> rows;
  std::vector<std::uint32_t> populated(targets.size(), 0);
  for (const std::uint32_t members : memberCounts) {
    options.members = members;
    for (std::size_t i = 0; i < targets.size(); ++i) {
      if (populate > 0 && populated[i] < members) {
        const auto stored = ostravel::bench::Populate(targets[i], populated[i], members, populate,
                                                      options.spreadAddresses);
        std::printf("%-28s populated members %u to %u: %.1f records/s, %llu failed\n",
                    targets[i].url.c_str(), populated[i], members - 1,
                    static_cast<double>(stored.stored) / stored.seconds,
                    static_cast<unsigned long long>(stored.failed));
        std::fflush(stdout);
        populated[i] = members;
      }
      rows[members].push_back(
          Report(targets[i], options, ostravel::bench::RunLoad(targets[i], options)));
    }
  }
  for (const auto& [members, row] : rows) {
    for (std::size_t i = 1; i < row.size(); ++i) {
      std::printf("%u members: %s / %s: requests/s %.2f, p99 %.2f\n", members,
                  targets[i].url.c_str(), targets[0].url.c_str(),
                  row[i].perSecond / row[0].perSecond, row[i].p99 / row[0].p99);
    }
  }
  return 0;
}
