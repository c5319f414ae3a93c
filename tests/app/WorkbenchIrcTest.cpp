// The workbench with settings that name a real IRC server: the road from typed chat into a
// channel and from the channel back into chat, through the real executable.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "support/NgircdServer.h"
#include "support/RunProcess.h"
#include "support/TestEnvironment.h"

namespace ostravel {
namespace {

using test_support::ProcessOptions;
using test_support::RunProcess;
using ::testing::HasSubstr;

TEST(WorkbenchIrcTest, JoinsAfterLoginAndBridgesChatBothWays) {
  test::NgircdServer server;
  test::IrcPeer peer(server.Port(), "peer");
  peer.Send("JOIN #test");
  ASSERT_TRUE(peer.WaitFor("JOIN", [] {}));

  test::TempFolder folder;
  std::ofstream(folder.Path() / "Ostravel.xml")
      << "<ostravel><irc><channel server=\"127.0.0.1\" port=\"" << server.Port()
      << R"(" channel="#test" command="t" colorcode="14" join="True"/></irc></ostravel>)";
  const auto transcript = folder.Path() / "t.jsonl";
  ProcessOptions options;
  options.input =
      ":login\n:msg {\"type\": 63408, \"fields\": {\"event\": 456}}\n:wait 1500\n@t hello "
      "channel\n:wait 2000\n:show IRC\n:quit\n";
  auto session = std::async(std::launch::async, [&] {
    return RunProcess({OSTRAVEL_EXE, "run", "--folder", folder.Path().string(), "--transcript",
                       transcript.string()},
                      options);
  });

  const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); };
  EXPECT_TRUE(peer.WaitFor(":Ostra_Vel!", pause, std::chrono::seconds(10)));
  EXPECT_TRUE(peer.WaitFor("PRIVMSG #test :hello channel", pause, std::chrono::seconds(10)));
  peer.Send("PRIVMSG #test :hello workbench");
  const auto result = session.get();

  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::string records = test::ReadFile(transcript);
  EXPECT_THAT(records, HasSubstr("*** Now talking in #test. Type @t to chat."));
  EXPECT_THAT(records, HasSubstr("\"OV>> <Ostra_Vel> hello channel\",\"color\":14"));
  EXPECT_THAT(records, HasSubstr("\"OV>> <peer> hello workbench\",\"color\":14"));
  EXPECT_THAT(result.out, HasSubstr("peer"));  // the IRC page lists the channel's users
  EXPECT_THAT(test::ReadFile(folder.Path() / "Ostravel.xml"), HasSubstr("join=\"True\""));
}

}  // namespace
}  // namespace ostravel
