// Name replies into one channel: the lines arriving on the socket, the users put in order, and
// the IRC page's list drawn again. The page's tick runs on the game's user-interface thread, so
// the longest tick is the figure that matters for a flood of names.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <fstream>
#include <random>

#include "host/PluginSite.h"
#include "host/Timer.h"
#include "irc/TabIRC.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "plugin/OstravelMain.h"
#include "sim/SimHost.h"

namespace {

using namespace ostravel;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The whole burst, 40 nicks to a line, in no order, some with mode marks.
std::string NamesBurst(int users) {
  std::mt19937 random(7);
  std::vector<std::string> nicks;
  for (int i = 0; i < users; ++i)
    nicks.push_back((i % 9 ? "" : "@") + ("user" + std::to_string(i)));
  std::shuffle(nicks.begin(), nicks.end(), random);
  std::string burst;
  for (std::size_t i = 0; i < nicks.size(); i += 40) {
    burst += ":irc.test 353 Ostra_Vel = #big :";
    for (std::size_t j = i; j < std::min(nicks.size(), i + 40); ++j)
      burst += (j > i ? " " : "") + nicks[j];
    burst += "\r\n";
  }
  return burst + ":irc.test 366 Ostra_Vel #big :End of NAMES list\r\n";
}

// Host timers that tick only when the benchmark says, so that every tick of the page is timed.
class ManualTimer final : public host::Timer {
 public:
  explicit ManualTimer(std::vector<ManualTimer*>& running) : running_(running) {
    running_.push_back(this);
  }
  ~ManualTimer() override { std::erase(running_, this); }
  ManualTimer(const ManualTimer&) = delete;
  ManualTimer& operator=(const ManualTimer&) = delete;
  void Start(std::int32_t interval_ms) override { interval_ms_ = interval_ms; }
  void Stop() override { interval_ms_ = 0; }
  bool Running() const override { return interval_ms_ > 0; }
  std::int32_t Interval() const { return interval_ms_; }

 private:
  std::vector<ManualTimer*>& running_;
  std::int32_t interval_ms_ = 0;
};

// The simulated host's views with the manual timers in place of its own.
class ManualTimerSite2 final : public host::PluginSite2 {
 public:
  explicit ManualTimerSite2(std::shared_ptr<host::PluginSite2> site) : site_(std::move(site)) {}
  std::shared_ptr<host::View> LoadView(const std::string& xml) override {
    return site_->LoadView(xml);
  }
  std::unique_ptr<host::Timer> CreateTimer() override {
    return std::make_unique<ManualTimer>(timers_);
  }
  // Raises one tick of every running timer of that interval.
  void Tick(std::int32_t interval_ms) {
    for (ManualTimer* timer : timers_)
      if (timer->Interval() == interval_ms) timer->Timeout.Emit(*timer);
  }

 private:
  std::shared_ptr<host::PluginSite2> site_;
  std::vector<ManualTimer*> timers_;  // those that exist
};

// The simulated host's site, with ManualTimerSite2 as its second site.
class ManualTimerSite final : public host::PluginSite {
 public:
  explicit ManualTimerSite(std::shared_ptr<host::PluginSite> site)
      : site_(std::move(site)),
        site2_(std::make_shared<ManualTimerSite2>(site_->GetPluginSite2())) {}
  std::shared_ptr<host::PluginSite2> GetPluginSite2() override { return site2_; }
  std::shared_ptr<host::Hooks> GetHooks() override { return site_->GetHooks(); }
  std::shared_ptr<host::HostObject> ObjectByPath(const std::string& path) override {
    return site_->ObjectByPath(path);
  }
  void Tick(std::int32_t interval_ms) { site2_->Tick(interval_ms); }

 private:
  std::shared_ptr<host::PluginSite> site_;
  std::shared_ptr<ManualTimerSite2> site2_;
};

// The plug-in in the simulated host, logged in and registered with a server that is the
// benchmark's end of a socket.
struct NamesSession {
  platform::EventLoop loop;
  tcp::acceptor acceptor{loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "ostravel-names-bench";
  std::unique_ptr<platform::CodePage> code_page = platform::CodePage::Open(1252);
  std::unique_ptr<platform::Clock> clock = platform::Clock::System();
  std::unique_ptr<platform::HttpClient> http = platform::HttpClient::Create(loop);
  sim::SimHost host{loop, sim::SampleProfile()};
  std::shared_ptr<ManualTimerSite> manual_site;
  std::unique_ptr<OstravelMain> plugin;
  tcp::socket peer{loop.IoContext()};
  std::shared_ptr<IRCChannel> channel;

  // With `manual_timers` the plug-in's timers tick only through Tick().
  explicit NamesSession(bool manual_timers = false) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Ostravel.xml")
        << "<o><irc><channel server=\"127.0.0.1\" port=\"" << acceptor.local_endpoint().port()
        << R"(" channel="#big" command="b" colorcode="1" join="True"/></irc></o>)";
    plugin =
        std::make_unique<OstravelMain>(Environment{loop, *code_page, *clock, folder, http.get()});
    if (manual_timers) manual_site = std::make_shared<ManualTimerSite>(host.Site());
    plugin->IPlugin2_Initialize(manual_site ? manual_site : host.Site());
    plugin->State().LoggedIn = true;
    plugin->State().CharacterName = "Ostra Vel";
    acceptor.async_accept(peer, [](const asio::error_code&) {});
    plugin->IrcTab()->TabIRCUpdateAllegiance();
    loop.RunUntil([&] { return peer.is_open(); }, std::chrono::seconds(5));
    asio::write(peer, asio::buffer(std::string(":irc.test 376 Ostra_Vel :End of MOTD\r\n")));
    channel = plugin->IrcTab()->Servers().Item("127.0.0.1")->Channels.Item("#big");
    loop.RunFor(std::chrono::milliseconds(50));
  }
  ~NamesSession() {
    plugin->IPlugin2_Terminate();
    std::filesystem::remove_all(folder);
  }

  // One tick of the page's 100 ms timer, as the host raises it; returns how long it took.
  Clock::duration Tick() {
    const auto start = Clock::now();
    if (manual_site) {
      manual_site->Tick(100);
    } else {
      host.FireTimers(100);
    }
    return Clock::now() - start;
  }
};

void BM_NamesBurstAndRedraw(benchmark::State& state) {
  constexpr int kUsers = 10000;
  const std::string burst = NamesBurst(kUsers);
  for (auto _ : state) {
    state.PauseTiming();
    auto session = std::make_unique<NamesSession>();
    state.ResumeTiming();

    const auto start = Clock::now();
    asio::async_write(session->peer, asio::buffer(burst),
                      [](const asio::error_code&, std::size_t) {});
    session->loop.RunUntil([&] { return session->channel->Users.Count() == kUsers; },
                           std::chrono::seconds(10));
    const auto arrived = Clock::now();
    const auto redraw = session->Tick();  // the page's tick draws the changed list
    state.counters["names_ms"] = Milliseconds(arrived - start);
    state.counters["redraw_ms"] = Milliseconds(redraw);

    state.PauseTiming();
    session.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_NamesBurstAndRedraw)->Unit(benchmark::kMillisecond)->Iterations(5);

// A server that lists range(0) names. Every 100 ms of the arrival the page's tick runs and is
// timed (`max_tick_ms`, the longest); then one user joins at the top of the full list and the
// tick that shows it is timed (`join_tick_ms`). `names_s` is the whole arrival.
void BM_NamesFloodTicks(benchmark::State& state) {
  const int users = static_cast<int>(state.range(0));
  const std::string burst = NamesBurst(users);
  for (auto _ : state) {
    NamesSession session(true);
    const auto start = Clock::now();
    asio::async_write(session.peer, asio::buffer(burst),
                      [](const asio::error_code&, std::size_t) {});
    Clock::duration longest{};
    while (session.channel->Users.Count() < users) {
      session.loop.RunFor(std::chrono::milliseconds(100));
      longest = std::max(longest, session.Tick());
    }
    const auto arrived = Clock::now();
    longest = std::max(longest, session.Tick());
    session.channel->Users.Add("aaa");
    const auto join_tick = session.Tick();
    state.counters["names_s"] = Milliseconds(arrived - start) / 1000;
    state.counters["max_tick_ms"] = Milliseconds(longest);
    state.counters["join_tick_ms"] = Milliseconds(join_tick);
  }
}
BENCHMARK(BM_NamesFloodTicks)->Arg(100000)->Arg(1000000)->Unit(benchmark::kSecond)->Iterations(1);

// What one socket read of name replies (16 KiB, about 1,600 nicks) costs the users of a channel
// that already holds range(0) of them: the read handler runs on the same thread as the page.
void BM_UsersAddOneReadIntoALargeList(benchmark::State& state) {
  IRCUsers users;
  for (int i = 0; i < state.range(0); ++i) users.Add("user" + std::to_string(i * 2));
  int next = 1;
  for (auto _ : state) {
    for (int i = 0; i < 1600; ++i, next += 2) users.Add("user" + std::to_string(next));
  }
}
BENCHMARK(BM_UsersAddOneReadIntoALargeList)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
