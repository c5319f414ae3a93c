// How fast the IRC parser cuts and reads a busy server's traffic, fed as the socket delivers it.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "common/Context.h"
#include "irc/IRCParser.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/EventLoop.h"

namespace {

using namespace ostravel;

// Counts the events; a real handler does more, but the parser's own cost is what is measured.
class CountingEvents final : public IRCParser::Events {
 public:
  void Parser_Ping(std::string_view) override { ++count; }
  void Parser_Nick(std::string_view, std::string_view) override { ++count; }
  void Parser_Quit(std::string_view, std::string_view) override { ++count; }
  void Parser_Join(std::string_view, std::string_view) override { ++count; }
  void Parser_Part(std::string_view, std::string_view) override { ++count; }
  void Parser_Kick(std::string_view, std::string_view, std::string_view,
                   std::string_view) override {
    ++count;
  }
  void Parser_PrivMsg(std::string_view, std::string_view, std::string_view m) override {
    count += m.empty() ? 0 : 1;
  }
  void Parser_NoticeVersion(std::string_view, std::string_view) override { ++count; }
  void Parser_CTCPAction(std::string_view, std::string_view, std::string_view) override { ++count; }
  void Parser_CTCPPing(std::string_view, std::string_view) override { ++count; }
  void Parser_CTCPTime(std::string_view) override { ++count; }
  void Parser_CTCPVersion(std::string_view) override { ++count; }
  void Parser_RPLWhoisUser(std::string_view, std::string_view, std::string_view,
                           std::string_view) override {
    ++count;
  }
  void Parser_RPLTopic(std::string_view, std::string_view) override { ++count; }
  void Parser_RPLNameReply(std::string_view, const std::vector<std::string_view>& n) override {
    count += n.size();
  }
  void Parser_RPLEndOfMotd() override { ++count; }
  void Parser_ERRBannedFromChan(std::string_view, std::string_view) override { ++count; }
  void Parser_ERRNickNameInUse() override { ++count; }
  void Parser_RPLWelcome(std::string_view) override { ++count; }
  void Parser_RPLISupport(const std::vector<std::string_view>& t) override { count += t.size(); }
  void Parser_ERRErroneousNickName(std::string_view, std::string_view) override { ++count; }
  void Parser_ERRRefused(std::string_view, std::string_view, std::string_view) override { ++count; }
  void Parser_Error(std::string_view) override { ++count; }
  void Parser_Notice(std::string_view, std::string_view, std::string_view) override { ++count; }
  void Parser_Topic(std::string_view, std::string_view, std::string_view) override { ++count; }
  std::size_t count = 0;
};

// About `bytes` of typical traffic: mostly channel talk, with joins, parts, quits and names.
std::string SyntheticLog(std::size_t bytes, std::size_t& lines) {
  std::mt19937 random(42);
  std::string log;
  log.reserve(bytes + 512);
  lines = 0;
  while (log.size() < bytes) {
    const std::string nick = "user" + std::to_string(random() % 5000);
    const std::string prefix =
        ":" + nick + "!~" + nick + "@host" + std::to_string(random() % 97) + ".example.net ";
    switch (random() % 10) {
      case 0:
        log += prefix + "JOIN :#allegiance\r\n";
        break;
      case 1:
        log += prefix + "PART #allegiance :see you later\r\n";
        break;
      case 2:
        log += prefix + "QUIT :Client exited\r\n";
        break;
      case 3: {
        log += ":irc.example.net 353 me = #allegiance :";
        for (int i = 0; i < 20; ++i)
          log += (i ? " " : "") + std::string(i % 5 ? "" : "@") + "nick" +
                 std::to_string(random() % 9000);
        log += "\r\n";
        break;
      }
      default:
        log += prefix +
               "PRIVMSG #allegiance :anyone up for the olthoi run tonight at the lifestone?\r\n";
    }
    ++lines;
  }
  return log;
}

void BM_ParseTraffic(benchmark::State& state) {
  platform::EventLoop loop;
  auto code_page = platform::CodePage::Open(1252);
  auto clock = platform::Clock::System();
  Context ctx(Environment{loop, *code_page, *clock, "."});
  std::size_t lines = 0;
  const std::string log = SyntheticLog(50u << 20, lines);
  constexpr std::size_t kChunk = 4096;
  for (auto _ : state) {
    CountingEvents events;
    IRCParser parser(ctx, events);
    for (std::size_t at = 0; at < log.size(); at += kChunk) {
      parser.Parse(std::string_view(log).substr(at, kChunk));
    }
    benchmark::DoNotOptimize(events.count);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.size()));
  state.counters["lines_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseTraffic)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
