// A name reply of 10,000 users into one channel: the lines arriving on the socket, the users
// put in order, and the IRC page's list drawn again.
#include <benchmark/benchmark.h>

#include <asio/ip/tcp.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <fstream>
#include <random>

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

constexpr int kUsers = 10000;

// The whole burst, 40 nicks to a line, in no order, some with mode marks.
std::string NamesBurst() {
  std::mt19937 random(7);
  std::vector<std::string> nicks;
  for (int i = 0; i < kUsers; ++i)
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

void BM_NamesBurstAndRedraw(benchmark::State& state) {
  const std::string burst = NamesBurst();
  for (auto _ : state) {
    state.PauseTiming();
    platform::EventLoop loop;
    tcp::acceptor acceptor(loop.IoContext(), tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    const auto folder = std::filesystem::temp_directory_path() / "ostravel-names-bench";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Ostravel.xml")
        << "<o><irc><channel server=\"127.0.0.1\" port=\"" << acceptor.local_endpoint().port()
        << R"(" channel="#big" command="b" colorcode="1" join="True"/></irc></o>)";
    auto code_page = platform::CodePage::Open(1252);
    auto clock = platform::Clock::System();
    auto http = platform::HttpClient::Create(loop);
    sim::SimHost host(loop, sim::SampleProfile());
    OstravelMain plugin(Environment{loop, *code_page, *clock, folder, http.get()});
    plugin.IPlugin2_Initialize(host.Site());
    plugin.State().LoggedIn = true;
    plugin.State().CharacterName = "Ostra Vel";
    tcp::socket peer(loop.IoContext());
    acceptor.async_accept(peer, [](const asio::error_code&) {});
    plugin.IrcTab()->TabIRCUpdateAllegiance();
    loop.RunUntil([&] { return peer.is_open(); }, std::chrono::seconds(5));
    asio::write(peer, asio::buffer(std::string(":irc.test 376 Ostra_Vel :End of MOTD\r\n")));
    auto channel = plugin.IrcTab()->Servers().Item("127.0.0.1")->Channels.Item("#big");
    loop.RunFor(std::chrono::milliseconds(50));
    state.ResumeTiming();

    const auto start = Clock::now();
    asio::async_write(peer, asio::buffer(burst), [](const asio::error_code&, std::size_t) {});
    loop.RunUntil([&] { return channel->Users.Count() == kUsers; }, std::chrono::seconds(10));
    const auto arrived = Clock::now();
    host.FireTimers(100);  // the page's tick draws the changed list
    const auto drawn = Clock::now();
    state.counters["names_ms"] = std::chrono::duration<double, std::milli>(arrived - start).count();
    state.counters["redraw_ms"] =
        std::chrono::duration<double, std::milli>(drawn - arrived).count();

    state.PauseTiming();
    plugin.IPlugin2_Terminate();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_NamesBurstAndRedraw)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
