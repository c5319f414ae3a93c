// How long the "Mbr" page holds the user-interface thread when a long member list arrives:
// the answer is delivered through the page's own web request and drawn into the simulated
// host's list. The transfer itself is left out: the answer is handed over as soon as the
// request is sent.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"
#include "platform/HttpClient.h"
#include "plugin/OstravelMain.h"
#include "sim/SimControls.h"
#include "sim/SimHost.h"
#include "sim/SimView.h"
#include "tabs/TabMembers.h"

namespace {

using namespace ostravel;
using Clock = std::chrono::steady_clock;

// Holds the one request in flight and completes it when told.
class HeldHttpClient final : public platform::HttpClient {
 public:
  RequestId Send(platform::HttpRequest, Completion done) override {
    done_ = std::move(done);
    return ++last_id_;
  }
  void Abort(RequestId) override { done_ = nullptr; }
  std::size_t InFlight() const override { return done_ ? 1 : 0; }

  void Complete(std::string body) {
    auto done = std::exchange(done_, nullptr);
    platform::HttpResponse response;
    response.transferred = true;
    response.status = 200;
    response.body = std::move(body);
    done(std::move(response));
  }

 private:
  Completion done_;
  RequestId last_id_ = 0;
};

// A member list of `lines` lines, every other member online.
std::string MemberAnswer(int lines) {
  std::string answer;
  for (int i = 0; i < lines; ++i) {
    answer += "Name: Member" + std::to_string(i) + "  Level: " + std::to_string(1 + i % 275) +
              "  Template: Bow Mage  Online: " + (i % 2 == 0 ? "True" : "False") + "\n";
  }
  return answer;
}

std::filesystem::path PluginFolder() {
  std::random_device random;
  auto folder = std::filesystem::temp_directory_path() /
                ("ostravel-bench-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Ostravel.xml")
      << R"(<settings><server url="http://bench.invalid/"/></settings>)";
  return folder;
}

void BM_DrawMemberAnswer(benchmark::State& state) {
  platform::EventLoop loop;
  auto code_page = platform::CodePage::Open(1252);
  auto clock = platform::Clock::System();
  HeldHttpClient http;
  const auto folder = PluginFolder();
  sim::SimHost host(loop, sim::SampleProfile());
  OstravelMain plugin(Environment{loop, *code_page, *clock, folder, &http});
  plugin.IPlugin2_Initialize(host.Site());
  plugin.State().LoggedIn = true;
  TabMembers tab(plugin.State());
  host.View()->MainNotebook()->SetActiveTab(2);
  std::dynamic_pointer_cast<sim::SimChoice>(host.View()->Find("chMbr"))->SetSelected(1);
  const auto list = std::dynamic_pointer_cast<sim::SimList>(host.View()->Find("lstMbr"));

  const std::string answer = MemberAnswer(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    tab.Refresh();
    std::string body = answer;
    const auto start = Clock::now();
    http.Complete(std::move(body));
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.counters["rows"] = list->Count();
  plugin.IPlugin2_Terminate();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DrawMemberAnswer)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
