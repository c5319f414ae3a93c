#pragma once

// The IRC connection under test: one server object for 127.0.0.1 with the wanted channel #chan
// (chat word "ac", colour 14), named Bob, with what it shows in chat recorded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <asio/ip/host_name.hpp>
#include <memory>
#include <string>
#include <vector>

#include "common/Context.h"
#include "irc/IRCServer.h"
#include "support/FakeTcpSocket.h"
#include "support/RecordingHooks.h"
#include "support/ScriptedIrcServer.h"
#include "support/TestEnvironment.h"

namespace ostravel::test {

class IRCServerTestBase : public ::testing::Test {
 protected:
  IRCServerTestBase() : ctx(env.Env()) { ctx.ACHooks = hooks; }

  // The server object, once the derived fixture knows where its socket goes.
  void MakeServer(const std::string& port) {
    server = std::make_unique<IRCServer>(ctx, "127.0.0.1", port);
    channel = server->Channels.Add("#chan", "ac", 14, true);
    server->NickName = "Bob";
    server->RealName = "[DT:Ann] Bob";
  }

  std::vector<std::string> Chat() const {
    std::vector<std::string> texts;
    for (const auto& line : hooks->chat) texts.push_back(line.text);
    return texts;
  }

  // Each line of chat as "colour text".
  std::vector<std::string> ColouredChat() const {
    std::vector<std::string> texts;
    for (const auto& line : hooks->chat)
      texts.push_back(std::to_string(line.color) + " " + line.text);
    return texts;
  }

  std::vector<std::string> Users() const {
    std::vector<std::string> nicks;
    for (const auto& user : channel->Users.Members()) nicks.push_back(user->NickName);
    return nicks;
  }

  TestEnvironment env;
  Context ctx;
  std::shared_ptr<RecordingHooks> hooks = std::make_shared<RecordingHooks>();
  std::unique_ptr<IRCServer> server;
  std::shared_ptr<IRCChannel> channel;
};

// Against a scripted server on 127.0.0.1: the test plays the server line by line through a real
// socket, so what the client must send back is exact.
class ScriptedIRCServerTest : public IRCServerTestBase {
 protected:
  ScriptedIRCServerTest() { MakeServer(scripted.Port()); }

  // Connects and takes the registration lines.
  void ConnectAndRegister(bool end_of_motd = true) {
    server->Connect();
    ASSERT_TRUE(scripted.Accept());
    Register(end_of_motd);
  }

  // Takes the registration lines of a connection just accepted, and ends the greeting.
  void Register(bool end_of_motd = true) {
    ASSERT_EQ(scripted.Line(),
              "USER 3.0.0.10 " + asio::ip::host_name() + " 127.0.0.1 :[DT:Ann] Bob");
    ASSERT_EQ(scripted.Line(), "NICK Bob");
    if (!end_of_motd) return;
    scripted.Send(":irc.test 376 Bob :End of MOTD command");
    ASSERT_EQ(scripted.Line(), "JOIN #chan");
  }

  // The server lets the client into #chan.
  void Joined() {
    scripted.Send(":Bob!b@h JOIN :#chan");
    LinesUntilSync();
  }

  // What the client sent until it answered a ping sent now: it reads the server's lines in
  // order, so by then it has handled everything sent before.
  std::vector<std::string> LinesUntilSync() { return scripted.LinesUntilSync(); }

  ScriptedIrcServer scripted{env.loop};
};

// Against a fake socket, for what a real server adds nothing to: every line from the server is
// handled before Receive returns, and what the client wrote is there at once.
class FakeIRCServerTest : public IRCServerTestBase {
 protected:
  FakeIRCServerTest() {
    ctx.env.tcp_sockets = network.Factory();
    MakeServer("6667");
  }

  // Connected, registered, and in #chan.
  void Registered(bool joined = true) {
    server->Connect();
    network.Accept();
    network.Receive(":irc.test 376 Bob :End of MOTD command");
    if (joined) network.Receive(":Bob!b@h JOIN :#chan");
    network.TakeLines();
    hooks->chat.clear();
  }

  // The lines the client wrote, waiting at the send queue's pace until there are `count`.
  std::vector<std::string> Written(std::size_t count) {
    std::vector<std::string> lines;
    env.loop.RunUntil(
        [&] {
          for (auto& line : network.TakeLines()) lines.push_back(std::move(line));
          return lines.size() >= count;
        },
        std::chrono::seconds(10));
    return lines;
  }

  FakeTcpNetwork network;
};

}  // namespace ostravel::test
