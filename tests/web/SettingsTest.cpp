#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "base/Error.h"
#include "platform/CodePage.h"
#include "support/TestEnvironment.h"
#include "web/ChatLineMerge.h"
#include "web/Settings.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SettingsTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return folder.Path() / "Ostravel.xml"; }
  void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
  Settings Client() const { return Settings(folder.Path(), *ansi, 100ms); }
  std::vector<std::string> Tells() const {
    std::vector<std::string> tells;
    for (const ChatLine& line : Client().LoadChatLines())
      tells.push_back(host::ToText(line.name) + ": " + host::ToText(line.text));
    return tells;
  }
  static ChatLine Tell(const std::string& name, const std::string& text) { return {name, text}; }

  std::unique_ptr<platform::CodePage> ansi = platform::CodePage::Open(1252);
  test::TempFolder folder;
};

TEST(ChatLineMergeTest, TheRowsAreWrittenWithTheOtherClientsChangesSinceTheLoad) {
  struct Case {
    const char* label;
    std::vector<TellText> saved;    // "chathelper" at the load (listed after Out)
    std::vector<TellText> rows;     // the tab's rows now
    std::vector<TellText> on_disk;  // "chathelper" now
    std::vector<TellText> merged;
  };
  const TellText ann{"Ann", "a"}, bob{"Bob", "b"}, cid{"Cid", "c"}, dee{"Dee", "d"};
  const TellText out{"Out", "outside chathelper"};
  const Case cases[] = {
      {"alone", {ann}, {bob, out, ann}, {ann}, {bob, out, ann}},
      {"alone, deleted", {ann}, {bob, out}, {ann}, {bob, out}},
      {"another added", {ann}, {bob, out, ann}, {cid, dee, ann}, {bob, out, cid, dee, ann}},
      {"another removed", {ann}, {bob, out, ann}, {cid}, {bob, out, cid}},
      {"both got it", {ann}, {cid, out, ann}, {cid, ann}, {cid, out, ann}},
      {"in between", {ann, bob}, {dee, ann, bob}, {ann, cid, bob}, {dee, ann, cid, bob}},
      {"saved twice, one removed", {ann, ann}, {out, ann, ann}, {ann}, {out, ann}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ChatLineMerge merge;
    std::vector<TellText> loaded{out};
    loaded.insert(loaded.end(), c.saved.begin(), c.saved.end());
    merge.Loaded(loaded, c.saved);
    EXPECT_EQ(merge.Merge(c.rows, c.on_disk), c.merged);
  }
  // After a save the other client's lines are still its own: gone when it deletes them.
  ChatLineMerge merge;
  merge.Loaded({ann}, {ann});
  const auto written = merge.Merge({bob, ann}, {cid, ann});
  merge.Saved({bob, ann}, written);
  EXPECT_EQ(merge.Merge({bob, ann}, written), written);
  EXPECT_EQ(merge.Merge({bob, ann}, {bob, ann}), (std::vector<TellText>{bob, ann}));
}

TEST_F(SettingsTest, TwoClientsSavingTheirTellsInTurnKeepAllOfThem) {
  Write("<s><chathelper savelines=\"5\"><chatline name=\"Ann\" text=\"old\"/></chathelper></s>");
  Settings first = Client();
  Settings second = Client();
  first.LoadChatLines();
  second.LoadChatLines();
  std::vector<ChatLine> first_rows{Tell("Ann", "old")};
  std::vector<ChatLine> second_rows{Tell("Ann", "old")};
  for (int round = 1; round <= 3; ++round) {
    const std::string n = std::to_string(round);
    first_rows.insert(first_rows.begin(), Tell("Bob", n));
    first.SaveChatLines(first_rows);
    second_rows.insert(second_rows.begin(), Tell("Cid", n));
    second.SaveChatLines(second_rows);
  }
  // The five newest, whatever client got them.
  EXPECT_THAT(Tells(), ElementsAre("Cid: 3", "Bob: 3", "Cid: 2", "Bob: 2", "Cid: 1"));
}

TEST_F(SettingsTest, TheJoinFlagsWrittenAreThePlayersChangesOnly) {
  Write(
      "<s><irc>"
      R"(<channel server="irc.a" port="1" channel="#a" command="a" colorcode="1" join="False"/>)"
      R"(<channel server="IRC.A" port="1" channel="#B" command="b" colorcode="2" join="1"/>)"
      R"(<channel server="irc.a" port="1" channel="#c" command="c" colorcode="3" join="True"/>)"
      "</irc></s>");
  Settings settings = Client();
  std::vector<IrcChannelSettings> read;
  settings.LoadIrcChannels([&](const IrcChannelSettings& channel) { read.push_back(channel); });
  ASSERT_EQ(read.size(), 3u);
  EXPECT_FALSE(read[0].tls);
  // Meanwhile someone switches #c off, adds #d and a channel without a "join".
  Write(
      "<s><irc>"
      R"(<channel server="irc.a" port="1" channel="#a" command="a" colorcode="1" join="False"/>)"
      R"(<channel server="IRC.A" port="1" channel="#B" command="b" colorcode="2" join="1"/>)"
      R"(<channel server="irc.a" port="1" channel="#c" command="c" colorcode="3" join="no"/>)"
      R"(<channel server="irc.b" port="1" channel="#d" command="d" colorcode="4" join="yes"/>)"
      R"(<channel server="irc.a" port="1" channel="#e"/>)"
      "</irc></s>");
  settings.SaveJoinFlags({{"irc.a", "#A", true},
                          {"irc.a", "#b", true},
                          {"irc.a", "#c", true},
                          {"irc.a", "#e", false}});
  const std::string saved = test::ReadFile(File());
  EXPECT_THAT(saved, HasSubstr(R"(channel="#a" command="a" colorcode="1" join="True")"));
  EXPECT_THAT(saved, HasSubstr(R"(channel="#B" command="b" colorcode="2" join="True")"));
  EXPECT_THAT(saved, HasSubstr(R"(channel="#c" command="c" colorcode="3" join="no")"));
  EXPECT_THAT(saved, HasSubstr(R"(channel="#d" command="d" colorcode="4" join="yes")"));
  EXPECT_THAT(saved, HasSubstr(R"(channel="#e" join="False")"));
}

TEST_F(SettingsTest, TheOptionalChannelAttributesAreReadAndABadOneEndsTheReading) {
  Write(
      "<s><irc>"
      R"(<channel server="s" port="1" channel="#a" command="a" colorcode="1" join="True")"
      R"( tls="True" tlsfingerprint="AB:CD" password="pw" key="k"/>)"
      R"(<channel server="s" port="1" channel="#b" command="b" colorcode="2" join="0" tls="x"/>)"
      R"(<channel server="s" port="1" channel="#c" command="c" colorcode="3" join="0"/>)"
      "</irc></s>");
  std::vector<IrcChannelSettings> read;
  try {
    Client().LoadIrcChannels([&](const IrcChannelSettings& channel) { read.push_back(channel); });
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), 13);
  }
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].tls, std::optional<bool>(true));
  EXPECT_EQ(read[0].tls_fingerprint, "AB:CD");
  EXPECT_EQ(read[0].password, "pw");
  EXPECT_EQ(read[0].key, "k");
  EXPECT_EQ(read[0].colorcode, 1);
}

TEST_F(SettingsTest, TheServerAddressIsTheLastOneAndTheDemoPointsEveryOneElsewhere) {
  Write("<s><server url=\"http://a/\"/><x><server url=\"http://b\"/></x></s>");
  EXPECT_EQ(Client().ServerAddress(), "http://b");
  Client().SetServerAddress("http://c/");
  EXPECT_EQ(test::ReadFile(File()).find("http://a/"), std::string::npos);
  EXPECT_EQ(Client().ServerAddress(), "http://c/");
  Write("<s><chathelper/></s>");
  EXPECT_EQ(Client().ServerAddress(), "");
  Client().SetServerAddress("http://d/");
  EXPECT_THAT(test::ReadFile(File()),
              HasSubstr("<s>\n  <server url=\"http://d/\" />\n  <chathelper"));
  Write("<s><server/></s>");
  EXPECT_THROW(Client().ServerAddress(), Error);
}

}  // namespace
}  // namespace ostravel
