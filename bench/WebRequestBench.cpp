// How long Post holds the user-interface thread: the transfer itself runs elsewhere, so the
// call must return in microseconds whether the server answers or hangs.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "common/Context.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "web/WebRequest.h"

namespace {

using namespace ostravel;
using Clock = std::chrono::steady_clock;

// The standard fields and a list request, as a tab builds them.
wire::FormBody Body(const platform::CodePage& code_page) {
  wire::FormBody body(code_page);
  body.Add("CID", "1342177295").Add("MID", "1342177281").Add("Location", "2103705619");
  body.Add("Localtime", "12/6/2026 6:37:19 AM").Add("FLID", "0").Add("WantFellowship", "0");
  body.Add("args", "list online level>29 level<71");
  return body;
}

struct Plugin {
  platform::EventLoop loop;
  std::unique_ptr<platform::CodePage> code_page = platform::CodePage::Open(1252);
  std::unique_ptr<platform::Clock> clock = platform::Clock::System();
  std::unique_ptr<platform::HttpClient> http = platform::HttpClient::Create(loop);
  Context ctx{Environment{loop, *code_page, *clock, ".", http.get()}};
};

// Percentiles of the measured calls, in microseconds, as counters of the benchmark.
void Report(benchmark::State& state, std::vector<double>& micros) {
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * (micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = micros.back();
}

void PostTo(benchmark::State& state, const std::string& url, bool wait_for_answer) {
  Plugin plugin;
  std::vector<double> micros;
  for (auto _ : state) {
    WebRequest request(plugin.ctx);
    bool answered = false;
    auto connection =
        request.Response.Connect([&](const std::string&, const std::string&) { answered = true; });
    const auto start = Clock::now();
    request.Post(url, Body(*plugin.code_page), "Draw");
    const auto elapsed = Clock::now() - start;
    state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    micros.push_back(std::chrono::duration<double, std::micro>(elapsed).count());
    if (wait_for_answer) {
      plugin.loop.RunUntil([&] { return answered; }, std::chrono::seconds(5));
    }
  }
  Report(state, micros);
}

void BM_PostToAnsweringServer(benchmark::State& state) {
  httplib::Server server;
  server.Post(".*", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("Name: Bob  Level: 5", "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  PostTo(state, "http://127.0.0.1:" + std::to_string(port) + "/member.php", true);
  server.stop();
  thread.join();
}
BENCHMARK(BM_PostToAnsweringServer)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

void BM_PostToSilentServer(benchmark::State& state) {
  // Accepts connections (the kernel does the handshake) and never answers.
  const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
  ::listen(listener, 4096);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  PostTo(state, "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/member.php",
         false);
  ::close(listener);
}
BENCHMARK(BM_PostToSilentServer)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
