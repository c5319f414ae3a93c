// The IRC line parser on server text cut into random chunks: whatever the cuts, it raises the
// same events as for the text in one piece, and nothing crashes or leaks.
#include <string>
#include <vector>

#include "FuzzContext.h"
#include "irc/IRCParser.h"

namespace ostravel::fuzz {
namespace {

// Writes every event as one line of text, so that two runs can be compared.
class EventLog final : public IRCParser::Events {
 public:
  std::vector<std::string> lines;

  void Parser_Ping(std::string_view p) override { Add("ping", {p}); }
  void Parser_Nick(std::string_view a, std::string_view b) override { Add("nick", {a, b}); }
  void Parser_Quit(std::string_view a, std::string_view b) override { Add("quit", {a, b}); }
  void Parser_Join(std::string_view a, std::string_view b) override { Add("join", {a, b}); }
  void Parser_Part(std::string_view a, std::string_view b) override { Add("part", {a, b}); }
  void Parser_Kick(std::string_view a, std::string_view b, std::string_view c,
                   std::string_view d) override {
    Add("kick", {a, b, c, d});
  }
  void Parser_PrivMsg(std::string_view a, std::string_view b, std::string_view c) override {
    Add("privmsg", {a, b, c});
  }
  void Parser_NoticeVersion(std::string_view a, std::string_view b) override {
    Add("version-notice", {a, b});
  }
  void Parser_CTCPAction(std::string_view a, std::string_view b, std::string_view c) override {
    Add("action", {a, b, c});
  }
  void Parser_CTCPPing(std::string_view a, std::string_view b) override {
    Add("ctcp-ping", {a, b});
  }
  void Parser_CTCPTime(std::string_view a) override { Add("ctcp-time", {a}); }
  void Parser_CTCPVersion(std::string_view a) override { Add("ctcp-version", {a}); }
  void Parser_RPLWhoisUser(std::string_view a, std::string_view b, std::string_view c,
                           std::string_view d) override {
    Add("whois", {a, b, c, d});
  }
  void Parser_RPLTopic(std::string_view a, std::string_view b) override { Add("topic", {a, b}); }
  void Parser_RPLNameReply(std::string_view channel,
                           const std::vector<std::string_view>& nicks) override {
    std::vector<std::string_view> all{channel};
    all.insert(all.end(), nicks.begin(), nicks.end());
    Add("names", all);
  }
  void Parser_RPLEndOfMotd() override { Add("motd-end", {}); }
  void Parser_ERRBannedFromChan(std::string_view a, std::string_view b) override {
    Add("banned", {a, b});
  }
  void Parser_ERRNickNameInUse() override { Add("nick-in-use", {}); }
  void Parser_RPLWelcome(std::string_view a) override { Add("welcome", {a}); }
  void Parser_RPLISupport(const std::vector<std::string_view>& tokens) override {
    Add("isupport", tokens);
  }
  void Parser_ERRErroneousNickName(std::string_view a, std::string_view b) override {
    Add("bad-nick", {a, b});
  }
  void Parser_ERRRefused(std::string_view a, std::string_view b, std::string_view c) override {
    Add("refused", {a, b, c});
  }
  void Parser_Error(std::string_view a) override { Add("error", {a}); }
  void Parser_Notice(std::string_view a, std::string_view b, std::string_view c) override {
    Add("notice", {a, b, c});
  }
  void Parser_Topic(std::string_view a, std::string_view b, std::string_view c) override {
    Add("topic-change", {a, b, c});
  }

 private:
  void Add(const char* name, const std::vector<std::string_view>& parts) {
    std::string line = name;
    for (auto part : parts) {
      line += '\x1F';
      line += part;
    }
    lines.push_back(std::move(line));
  }
};

}  // namespace
}  // namespace ostravel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ostravel;
  using namespace ostravel::fuzz;
  FuzzWorld& world = FuzzWorld::Get();
  InputReader input(data, size);
  // The first bytes choose where the text is cut; the rest is the text.
  const std::uint8_t seed = input.Byte();
  const std::string_view text = input.Rest();

  EventLog whole;
  IRCParser one_piece(world.Ctx(), whole);
  one_piece.Parse(text);

  EventLog chunked;
  IRCParser pieces(world.Ctx(), chunked);
  std::size_t at = 0;
  std::uint32_t state = seed * 2654435761u + 1;
  while (at < text.size()) {
    state = state * 1103515245u + 12345u;
    const std::size_t length = 1 + (state >> 16) % 64;
    pieces.Parse(text.substr(at, length));
    at += length;
  }
  world.ForgetLog();

  Require(whole.lines == chunked.lines, "chunked text raises the same events");
  Require(one_piece.Pending() == pieces.Pending(), "the same incomplete line is kept");
  return 0;
}
