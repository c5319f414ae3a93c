// Figures of the Windows build under wine (Google Benchmark has no mingw build, so this
// program measures and prints them itself):
//   1. the hop from a worker thread (where WinHTTP completes an answer) to its handler on the
//      user-interface thread, through the same event loop the DLL uses: p50 and p99;
//   2. IPlugin2::Initialize of ostravel.dll, with the simulated host through COM, until the
//      view is loaded: p50 and the slowest;
//   3. wake-ups of the user-interface thread for the plug-in's loop while the logged-in
//      plug-in sits idle, counted by the plug-in itself, with the host timer events it gets.
// Usage: ostravel_com_bench DLL [IDLE_SECONDS]

// clang-format off
#include "com/ComSupport.h"
// clang-format on
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "com/OstravelDiagnostics.h"
#include "com/simhost/ComSimHost.h"
#include "com/simhost/PluginModule.h"
#include "platform/EventLoop.h"
#include "sim/SimHost.h"
#include "support/AsioHttpServer.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ostravel::com::ComPtr;
using ostravel::com::simhost::ComSimHost;
using ostravel::com::simhost::PluginModule;

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[index];
}

// 1. A worker thread posts work stamped with its time; the loop's thread, idle in the loop's
// wait as the game client's thread is, records how late each one runs.
void LoopHop() {
  ostravel::platform::EventLoop loop;
  constexpr int kPosts = 2000;
  std::vector<double> latencies_us;
  latencies_us.reserve(kPosts);
  std::thread worker([&] {
    for (int i = 0; i < kPosts; ++i) {
      const auto posted = Clock::now();
      loop.Post([&latencies_us, posted] {
        latencies_us.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - posted).count());
      });
      std::this_thread::sleep_for(1ms);
    }
  });
  loop.RunUntil([&] { return latencies_us.size() == kPosts; }, 60s);
  worker.join();
  std::printf(
      "answer hop, worker thread to UI thread (%zu posts): p50 %.1f us, p99 %.1f us, "
      "max %.1f us\n",
      latencies_us.size(), Percentile(latencies_us, 0.5), Percentile(latencies_us, 0.99),
      Percentile(latencies_us, 1.0));
}

struct Session {
  explicit Session(const std::filesystem::path& folder)
      : module(PluginModule::Load(folder / "ostravel.dll")) {}
  ostravel::platform::EventLoop loop;
  ostravel::sim::SimHost host{loop, ostravel::sim::SampleProfile()};
  ComSimHost com{host};
  PluginModule module;
};

// 2. A new plug-in object each time, Initialize timed until it returns with its view loaded.
void InitializeToView(const std::filesystem::path& folder) {
  Session session(folder);
  std::vector<double> times_ms;
  for (int i = 0; i < 30; ++i) {
    auto plugin = session.module.Create();
    const auto loaded_before = session.com.Counters().views_loaded;
    const auto start = Clock::now();
    plugin->Initialize(session.com.Site());
    const auto took = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (session.com.Counters().views_loaded == loaded_before) std::printf("no view loaded!\n");
    times_ms.push_back(took);
    plugin->Terminate();
    session.loop.Poll();
  }
  std::printf("Initialize to view ready (%zu runs): first %.2f ms, p50 %.2f ms, max %.2f ms\n",
              times_ms.size(), times_ms.front(), Percentile(times_ms, 0.5),
              Percentile(times_ms, 1.0));
}

// 3. Logged in, then idle with the host's thread in the loop's wait.
void IdleWakeUps(const std::filesystem::path& folder, int seconds) {
  Session session(folder);
  auto plugin = session.module.Create();
  ComPtr<IOstravelDiagnostics> diagnostics;
  plugin.As(&diagnostics);
  plugin->Initialize(session.com.Site());
  session.host.CompleteLogin();
  auto in_flight = [&] {
    LONG count = 0;
    diagnostics->get_RequestsInFlight(&count);
    return count;
  };
  session.loop.RunUntil([&] { return in_flight() == 0; }, 10s);
  session.loop.RunFor(200ms);
  LONG before = 0;
  diagnostics->get_LoopWakeUps(&before);
  const auto events_before = session.com.Counters().events_delivered;
  session.loop.RunFor(std::chrono::seconds(seconds));
  LONG after = 0;
  diagnostics->get_LoopWakeUps(&after);
  const auto events = session.com.Counters().events_delivered - events_before;
  std::printf(
      "idle %d s after login: %ld wake-ups of the plug-in's loop (%.1f per 60 s); "
      "%ld host timer events delivered (%.1f per 60 s)\n",
      seconds, static_cast<long>(after - before), (after - before) * 60.0 / seconds, events,
      events * 60.0 / seconds);
  plugin->Terminate();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: ostravel_com_bench DLL [IDLE_SECONDS]\n");
    return 2;
  }
  const int idle_seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  ostravel::test::AsioHttpServer server;
  server.Answer("/message.php", "Welcome");
  const auto folder = std::filesystem::temp_directory_path() /
                      ("ostravel-bench-" + std::to_string(GetCurrentProcessId()));
  std::filesystem::create_directories(folder);
  std::filesystem::remove(folder / "ostravel.dll");
  std::filesystem::copy_file(argv[1], folder / "ostravel.dll");
  std::ofstream(folder / "Ostravel.xml", std::ios::binary)
      << "<ostravel><server url=\"" << server.Url() << "\"/></ostravel>";
  try {
    LoopHop();
    InitializeToView(folder);
    IdleWakeUps(folder, idle_seconds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ostravel_com_bench: %s\n", error.what());
    return 1;
  }
  CoUninitialize();
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return 0;
}
