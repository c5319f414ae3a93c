#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "irc/IRCParser.h"

namespace ostravel::test {

// Writes every event down as "Name(arg|arg|...)", the arguments parted by `separator`, so that
// tests can compare what a parser raised and two runs can be compared with each other.
class RecordingEvents : public IRCParser::Events {
 public:
  explicit RecordingEvents(char separator = '|') : separator_(separator) {}

  void Parser_Ping(std::string_view p) override { Add("Ping", {p}); }
  void Parser_Nick(std::string_view o, std::string_view n) override { Add("Nick", {o, n}); }
  void Parser_Quit(std::string_view n, std::string_view r) override { Add("Quit", {n, r}); }
  void Parser_Join(std::string_view n, std::string_view c) override { Add("Join", {n, c}); }
  void Parser_Part(std::string_view n, std::string_view c) override { Add("Part", {n, c}); }
  void Parser_Kick(std::string_view n, std::string_view c, std::string_view k,
                   std::string_view r) override {
    Add("Kick", {n, c, k, r});
  }
  void Parser_PrivMsg(std::string_view s, std::string_view r, std::string_view m) override {
    Add("PrivMsg", {s, r, m});
  }
  void Parser_NoticeVersion(std::string_view n, std::string_view v) override {
    Add("NoticeVersion", {n, v});
  }
  void Parser_CTCPAction(std::string_view s, std::string_view r, std::string_view a) override {
    Add("CTCPAction", {s, r, a});
  }
  void Parser_CTCPPing(std::string_view s, std::string_view p) override { Add("CTCPPing", {s, p}); }
  void Parser_CTCPTime(std::string_view s) override { Add("CTCPTime", {s}); }
  void Parser_CTCPVersion(std::string_view s) override { Add("CTCPVersion", {s}); }
  void Parser_RPLWhoisUser(std::string_view n, std::string_view u, std::string_view h,
                           std::string_view r) override {
    Add("RPLWhoisUser", {n, u, h, r});
  }
  void Parser_RPLTopic(std::string_view c, std::string_view t) override { Add("RPLTopic", {c, t}); }
  void Parser_RPLNameReply(std::string_view c, const std::vector<std::string_view>& n) override {
    std::vector<std::string_view> args{c};
    args.insert(args.end(), n.begin(), n.end());
    Add("RPLNameReply", args);
  }
  void Parser_RPLEndOfMotd() override { Add("RPLEndOfMotd", {}); }
  void Parser_ERRBannedFromChan(std::string_view n, std::string_view c) override {
    Add("ERRBannedFromChan", {n, c});
  }
  void Parser_ERRNickNameInUse() override { Add("ERRNickNameInUse", {}); }
  void Parser_RPLWelcome(std::string_view n) override { Add("RPLWelcome", {n}); }
  void Parser_RPLISupport(const std::vector<std::string_view>& t) override {
    Add("RPLISupport", t);
  }
  void Parser_ERRErroneousNickName(std::string_view n, std::string_view t) override {
    Add("ERRErroneousNickName", {n, t});
  }
  void Parser_ERRRefused(std::string_view c, std::string_view n, std::string_view t) override {
    Add("ERRRefused", {c, n, t});
  }
  void Parser_Error(std::string_view r) override { Add("Error", {r}); }
  void Parser_Notice(std::string_view s, std::string_view r, std::string_view m) override {
    Add("Notice", {s, r, m});
  }
  void Parser_Topic(std::string_view n, std::string_view c, std::string_view t) override {
    Add("Topic", {n, c, t});
  }

  std::vector<std::string> events;

 private:
  void Add(const char* name, const std::vector<std::string_view>& args) {
    std::string text = std::string(name) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i > 0) text += separator_;
      text += args[i];
    }
    events.push_back(text + ")");
  }

  char separator_;
};

}  // namespace ostravel::test
