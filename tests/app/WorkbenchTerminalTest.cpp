// The interactive workbench in a real terminal (tmux): IRC text that arrives while the player
// is half-way through a line is printed above the prompt, and the line stays as it was typed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/NgircdServer.h"
#include "support/RunProcess.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test_support::RunProcess;

// A tmux server of the test's own, with one window of 100 x 30 that runs a command.
class Terminal {
 public:
  explicit Terminal(const std::string& command)
      : socket_("ostravel-test-" + std::to_string(getpid())) {
    Tmux({"new-session", "-d", "-x", "100", "-y", "30", command});
  }
  ~Terminal() {
    try {
      Tmux({"kill-server"});
    } catch (...) {
      // Already gone with its last window.
    }
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  static bool Available() {
    try {
      return RunProcess({"/usr/bin/env", "tmux", "-V"}).exit_code == 0;
    } catch (...) {
      return false;
    }
  }

  // Types text as keys, without Enter.
  void Type(const std::string& text) { Tmux({"send-keys", "-l", text}); }
  void Enter() { Tmux({"send-keys", "Enter"}); }

  // The screen's lines as shown, without colours and without the empty ones.
  std::vector<std::string> Screen() {
    std::istringstream text(Tmux({"capture-pane", "-p"}));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }

  // Whether some line of the screen satisfies `test` within `timeout`.
  bool Shows(const std::function<bool(const std::string&)>& test,
             std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
      for (const auto& line : Screen()) {
        if (test(line)) return true;
      }
      std::this_thread::sleep_for(50ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }
  bool Shows(const std::string& text) {
    return Shows([&](const std::string& line) { return line.find(text) != std::string::npos; });
  }

 private:
  std::string Tmux(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/env", "tmux", "-L", socket_});
    test_support::ProcessOptions options;
    options.timeout = std::chrono::seconds(10);
    const auto result = RunProcess(args, options);
    if (result.exit_code != 0) throw std::runtime_error("tmux: " + result.err);
    return result.out;
  }

  std::string socket_;
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

TEST(WorkbenchTerminalTest, ChatArrivingWhileThePlayerTypesGoesAboveTheHalfTypedLine) {
  if (!Terminal::Available()) GTEST_SKIP() << "tmux is not installed (scripts/setup adds it)";
  test::NgircdServer server;
  test::IrcPeer peer(server.Port(), "peer");
  peer.Send("JOIN #test");
  ASSERT_TRUE(peer.WaitFor("JOIN", [] {}));
  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml")
      << "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" << server.Port()
      << R"(" channel="#test" command="t" colorcode="14" join="True"/></irc></ostravel>)";

  Terminal terminal(std::string("NO_COLOR=1 ") + OSTRAVEL_EXE + " run --folder " +
                    folder.Path().string());
  ASSERT_TRUE(terminal.Shows("[Chat]>")) << Joined(terminal.Screen());
  terminal.Type(":login");
  terminal.Enter();
  terminal.Type(R"(:msg {"type": 63408, "fields": {"event": 456}})");
  terminal.Enter();
  const auto pause = [] { std::this_thread::sleep_for(5ms); };
  ASSERT_TRUE(peer.WaitFor(":Ostra_Vel!", pause, 10s)) << Joined(terminal.Screen());
  ASSERT_TRUE(terminal.Shows("Now talking in #test")) << Joined(terminal.Screen());

  terminal.Type("@t half typ");
  ASSERT_TRUE(terminal.Shows("]> @t half typ")) << Joined(terminal.Screen());
  peer.Send("PRIVMSG #test :hello while typing");
  ASSERT_TRUE(terminal.Shows("<peer> hello while typing")) << Joined(terminal.Screen());
  // The chat line stands alone, and the prompt with the half-typed text is drawn below it.
  ASSERT_TRUE(
      terminal.Shows([](const std::string& line) { return line.ends_with("]> @t half typ"); }));
  const auto screen = terminal.Screen();
  EXPECT_THAT(screen.back(), ::testing::EndsWith("]> @t half typ")) << Joined(screen);
  for (const auto& line : screen) {
    if (line.find("hello while typing") != std::string::npos) {
      EXPECT_EQ(line.find("half typ"), std::string::npos) << Joined(screen);
    }
  }

  // The line is still the player's to finish: what goes out is the whole of it.
  terminal.Type("ed");
  terminal.Enter();
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :half typed", pause, 10s)) << Joined(terminal.Screen());
  terminal.Type(":quit");
  terminal.Enter();
}

}  // namespace
}  // namespace ostravel
