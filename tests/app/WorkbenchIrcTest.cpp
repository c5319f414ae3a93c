// The workbench with settings that name a real IRC server, through the real executable: the
// road from typed chat into a channel and back, also while nobody types (the loop goes on, so a
// channel's text reaches the chat before the next line of input does).
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/NgircdServer.h"
#include "support/TestEnvironment.h"

extern char** environ;

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

// The workbench with its standard input on a pipe the test writes to when it likes, and its
// output in files the test can read while it runs.
class SlowlyFedWorkbench {
 public:
  SlowlyFedWorkbench(const std::filesystem::path& folder, const std::filesystem::path& output)
      : out_(output / "out.txt"), err_(output / "err.txt"), transcript_(output / "t.jsonl") {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string exe = OSTRAVEL_EXE;
    const std::string folder_text = folder.string();
    const std::string transcript_text = transcript_.string();
    std::vector<char*> argv = {const_cast<char*>(exe.c_str()),
                               const_cast<char*>("run"),
                               const_cast<char*>("--folder"),
                               const_cast<char*>(folder_text.c_str()),
                               const_cast<char*>("--transcript"),
                               const_cast<char*>(transcript_text.c_str()),
                               nullptr};
    const int error = posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    input_ = fds[1];
    if (error != 0) throw std::runtime_error("cannot start the workbench");
  }

  ~SlowlyFedWorkbench() {
    CloseInput();
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  SlowlyFedWorkbench(const SlowlyFedWorkbench&) = delete;
  SlowlyFedWorkbench& operator=(const SlowlyFedWorkbench&) = delete;

  void Type(const std::string& lines) {
    ASSERT_EQ(write(input_, lines.data(), lines.size()), static_cast<ssize_t>(lines.size()));
  }

  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }

  // Whether standard output shows `text` within `timeout`.
  bool Shows(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
      if (Out().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  // The exit code once the workbench has ended, or -1 when it is still running after `timeout`.
  int ExitCode(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      if (std::chrono::steady_clock::now() >= deadline) return -1;
      std::this_thread::sleep_for(20ms);
    }
  }

  std::string Out() const { return test::ReadFile(out_); }
  std::string Err() const { return test::ReadFile(err_); }
  // The machine-readable transcript of the session.
  std::string Records() const { return test::ReadFile(transcript_); }

 private:
  std::filesystem::path out_;
  std::filesystem::path err_;
  std::filesystem::path transcript_;
  pid_t pid_ = -1;
  int input_ = -1;
};

TEST(WorkbenchIrcTest, BridgesChatBothWaysAlsoWhileNobodyTypes) {
  test::NgircdServer server;
  test::IrcPeer peer(server.Port(), "peer");
  peer.Send("JOIN #test");
  ASSERT_TRUE(peer.WaitFor("JOIN", [] {}));

  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml")
      << "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" << server.Port()
      << R"(" channel="#test" command="t" colorcode="14" join="True"/></irc></ostravel>)";
  test::TempFolder output;
  SlowlyFedWorkbench workbench(folder.Path(), output.Path());
  workbench.Type(":login\n:msg {\"type\": 63408, \"fields\": {\"event\": 456}}\n");

  // Nothing more is typed: the join, and the line after it, can only come from the loop
  // running while the workbench waits for input.
  const auto pause = [] { std::this_thread::sleep_for(5ms); };
  ASSERT_TRUE(peer.WaitFor(":Ostra_Vel!", pause, 10s)) << workbench.Err();
  peer.Send("PRIVMSG #test :hello while idle");
  EXPECT_TRUE(workbench.Shows("<peer> hello while idle", 10s)) << workbench.Out();

  workbench.Type("@t hello channel\n");
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :hello channel", pause, 10s));
  workbench.Type(":show IRC\n:quit\n");
  EXPECT_EQ(workbench.ExitCode(10s), 0) << workbench.Err();
  const std::string records = workbench.Records();
  EXPECT_THAT(records, HasSubstr("*** Now talking in #test. Type @t to chat."));
  EXPECT_THAT(records, HasSubstr("\"OV>> <Ostra_Vel> hello channel\",\"color\":14"));
  EXPECT_THAT(records, HasSubstr("\"OV>> <peer> hello while idle\",\"color\":14"));
  EXPECT_THAT(workbench.Out(), HasSubstr("peer"));  // the IRC page lists the channel's users
  EXPECT_THAT(test::ReadFile(folder.Path() / "Ostravel.xml"), HasSubstr("join=\"True\""));
}

}  // namespace
}  // namespace ostravel
