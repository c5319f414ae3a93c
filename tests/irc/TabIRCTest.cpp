// The IRC page in the simulated host, with a scripted IRC server behind it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "common/ChatSafeText.h"
#include "irc/TabIRC.h"
#include "sim/SimControls.h"
#include "sim/SimView.h"
#include "support/PluginHarness.h"
#include "support/ScriptedIrcServer.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

class TabIRCTest : public ::testing::Test {
 protected:
  TabIRCTest() {
    // A second port for a known server and a channel named again in another case are ignored.
    // The password and the key are read, never written.
    harness.env.WriteSettings(
        "<ostravel><irc>"
        "<channel server=\"127.0.0.1\" port=\"" +
        scripted.Port() +
        "\" channel=\"#one\" command=\"one\" colorcode=\"14\" join=\"False\" tls=\"False\"/>"
        "<channel server=\"127.0.0.1\" port=\"9\" channel=\"#two\" command=\"two\" "
        "colorcode=\"3\" join=\"True\" password=\"pw\" key=\"k2\"/>"
        "<channel server=\"127.0.0.1\" port=\"9\" channel=\"#ONE\" command=\"dup\" "
        "colorcode=\"1\" join=\"True\"/>"
        "</irc></ostravel>");
    harness.PublishHost();
    harness.State().CharacterName = "Ostra Vel";
    harness.State().Monarch.Name = "Queen Ann";
    tab = std::make_unique<TabIRC>(harness.State());
  }

  sim::SimChoice& Choice() { return harness.Control<sim::SimChoice>("chIRC"); }
  sim::SimCheckbox& OnBox() { return harness.Control<sim::SimCheckbox>("chkIRC"); }
  sim::SimList& List() { return harness.Control<sim::SimList>("lstIRC"); }

  std::vector<std::string> Rows() {
    std::vector<std::string> rows;
    for (std::int32_t row = 0; row < List().Count(); ++row) {
      rows.push_back(host::ToText(List().Data(0, row, 1)) + " " +
                     host::ToText(List().Data(1, row, 0)));
    }
    return rows;
  }

  // What a click put into the chat box.
  std::vector<std::string> Typed() const {
    std::vector<std::string> typed;
    for (const auto& effect : harness.effects)
      if (effect.kind == sim::Effect::Kind::kTypeText) typed.push_back(effect.text);
    return typed;
  }

  // What the page sent until it answered a ping sent now (it handles lines in order).
  std::vector<std::string> LinesUntilSync() { return scripted.LinesUntilSync(); }

  // Logs in, names the user and takes the registration.
  void Register() {
    harness.State().LoggedIn = true;
    tab->TabIRCUpdateAllegiance();
    ASSERT_TRUE(scripted.Accept());
    ASSERT_EQ(scripted.Line(), "PASS pw");
    ASSERT_TRUE(scripted.Line());  // USER
    ASSERT_EQ(scripted.Line(), "NICK Ostra_Vel");
    scripted.Send(":irc.test 376 Ostra_Vel :End of MOTD command");
  }

  test::PluginHarness harness;
  test::ScriptedIrcServer scripted{harness.env.loop};
  std::unique_ptr<TabIRC> tab;
};

TEST_F(TabIRCTest, ListsEachChannelOnceInFileOrderAndTheBoxFollowsTheChoice) {
  std::vector<std::string> options;
  for (const auto& option : Choice().Options())
    options.push_back(option.text + "@" + host::ToText(option.data));
  EXPECT_THAT(options, ElementsAre("#one@127.0.0.1", "#two@127.0.0.1"));
  EXPECT_EQ(Choice().Selected(), 0);
  Choice().UserChoose(1);
  EXPECT_TRUE(OnBox().Checked());
  Choice().UserChoose(0);
  EXPECT_FALSE(OnBox().Checked());
}

TEST_F(TabIRCTest, SwitchingOnBeforeLoginWaitsForTheNamesThenUsersAreListedAndClickable) {
  OnBox().UserCheck(true);  // #one is wanted now, but there are no names yet
  EXPECT_FALSE(scripted.Accept(200ms));

  Register();
  EXPECT_THAT(LinesUntilSync(), ElementsAre("JOIN #one", "JOIN #two k2"));
  scripted.Send(":Ostra_Vel!o@h JOIN #one");
  scripted.Send(":irc.test 353 Ostra_Vel = #one :Ostra_Vel @zed amy");
  scripted.Send(":irc.test 353 Ostra_Vel = #two :bob");
  LinesUntilSync();
  harness.host.FireTimers(100);  // a tick draws the changed list and the channels' states
  EXPECT_THAT(Rows(), ElementsAre("100668264 amy", "100668264 Ostra_Vel", "100668264 zed"));
  EXPECT_EQ(Choice().Options()[0].text, "#one");
  EXPECT_EQ(Choice().Options()[1].text, "#two (not joined)");
  Choice().UserChoose(1);
  EXPECT_THAT(Rows(), ElementsAre("100668264 bob"));
  Choice().UserChoose(0);

  List().UserClick(0, 0);  // the icon: who is it, and which client
  // Five lines went out at once; the sixth waits its turn.
  EXPECT_EQ(scripted.Line(), "WHOIS amy");
  EXPECT_EQ(scripted.Line(3s), "PRIVMSG amy :\001VERSION\001");
  List().UserClick(1, 2);  // the nick: start a line to them
  EXPECT_THAT(Typed(), ElementsAre("@one zed: "));
}

TEST_F(TabIRCTest, SwitchingOffPartsAndOnlyTheJoinFlagsAreSaved) {
  Register();
  LinesUntilSync();
  Choice().UserChoose(1);
  OnBox().UserCheck(false);
  OnBox().UserCheck(true);
  // Five lines went out at once (with PASS, USER, NICK and a JOIN); then one every two seconds.
  OnBox().UserCheck(false);
  Choice().UserChoose(0);
  OnBox().UserCheck(true);
  EXPECT_EQ(scripted.Line(), "PART #two");
  EXPECT_EQ(scripted.Line(3s), "JOIN #two k2");
  EXPECT_EQ(scripted.Line(3s), "PART #two");
  EXPECT_EQ(scripted.Line(3s), "JOIN #one");
  tab.reset();

  pugi::xml_document saved;
  ASSERT_TRUE(saved.load_file((harness.env.folder.Path() / "Ostravel.xml").c_str()));
  std::vector<std::string> channels;
  for (const auto& element : saved.select_nodes("//channel")) {
    std::string text;
    for (const auto& attribute : element.node().attributes())
      text += std::string(attribute.name()) + "=" + attribute.value() + " ";
    channels.push_back(text);
  }
  EXPECT_THAT(channels, ElementsAre("server=127.0.0.1 port=" + scripted.Port() +
                                        " channel=#one command=one colorcode=14 join=True "
                                        "tls=False ",
                                    "server=127.0.0.1 port=9 channel=#two command=two colorcode=3 "
                                    "join=False password=pw key=k2 ",
                                    "server=127.0.0.1 port=9 channel=#ONE command=dup colorcode=1 "
                                    "join=True "));
}

// The nicks n000 to n(count - 1), `first` on.
std::vector<std::string> Nicks(int first, int count) {
  std::vector<std::string> nicks;
  for (int i = first; i < first + count; ++i) {
    std::string number = std::to_string(i);
    nicks.push_back("n" + std::string(3 - number.size(), '0') + number);
  }
  return nicks;
}

TEST_F(TabIRCTest, ALongUserListShowsTheFirstUsersAndHowManyMoreAsUsersComeAndGo) {
  const int cap = static_cast<int>(kMaxUserRows);
  const auto user_rows = [&](int first, int count) {
    std::vector<std::string> rows;
    for (const auto& nick : Nicks(first, count)) rows.push_back("100668264 " + nick);
    return rows;
  };
  const auto rows_from = [&](std::vector<std::string> first, const std::string& more) {
    if (!more.empty()) first.push_back(" " + more);
    return first;
  };
  const auto tick = [&] {
    LinesUntilSync();
    harness.host.FireTimers(100);
    return Rows();
  };
  OnBox().UserCheck(true);
  Register();
  const auto names = Nicks(0, cap + 50);
  for (std::size_t i = 0; i < names.size(); i += 25) {
    std::string line = ":irc.test 353 Ostra_Vel = #one :";
    for (std::size_t j = i; j < i + 25; ++j) line += names[j] + " ";
    scripted.Send(line);
  }
  EXPECT_EQ(tick(), rows_from(user_rows(0, cap), "... and 50 more"));

  scripted.Send(":aaa!a@h JOIN #one");  // at the top: every row moves down
  auto expected = user_rows(0, cap - 1);
  expected.insert(expected.begin(), "100668264 aaa");
  EXPECT_EQ(tick(), rows_from(expected, "... and 51 more"));

  scripted.Send(":aaa!a@h PART #one");
  for (const auto& nick : Nicks(0, 61)) scripted.Send(":" + nick + "!u@h PART #one");
  EXPECT_EQ(tick(), user_rows(61, cap - 11));  // the "more" row went with the last of them

  for (int i = 0; i < 20; ++i) scripted.Send(":z" + std::to_string(i + 10) + "!u@h JOIN #one");
  expected = user_rows(61, cap - 11);
  for (int i = 0; i < 11; ++i) expected.push_back("100668264 z" + std::to_string(i + 10));
  EXPECT_EQ(tick(), rows_from(expected, "... and 9 more"));

  Choice().UserChoose(1);  // another channel, and back
  EXPECT_THAT(Rows(), ElementsAre());
  Choice().UserChoose(0);
  EXPECT_EQ(Rows(), rows_from(expected, "... and 9 more"));

  // A click on the "more" row names nobody; the rows of users name who the row shows.
  List().UserClick(0, cap);
  List().UserClick(1, cap);
  List().UserClick(0, 3);
  List().UserClick(1, cap - 1);
  EXPECT_EQ(scripted.Line(3s), "WHOIS n064");
  EXPECT_THAT(Typed(), ElementsAre("@one z20: "));
}

// What the server sends reaches chat without formatting codes or control characters, and a
// line of tens of kilobytes is cut for it.
TEST_F(TabIRCTest, IrcTextReachesChatWithoutControlCharactersAndCutWhenTooLong) {
  using namespace std::string_literals;
  Register();
  LinesUntilSync();
  const std::string prefix_line = "OV>> <amy> ";
  const struct {
    std::string line;
    std::string chat;
  } cases[] = {
      {":amy!a@h PRIVMSG #one :hello\0world"s, prefix_line + "helloworld"},
      {":amy!a@h PRIVMSG #one :\002bold\002 \00304,01red\003 bell\007 esc\033[0m tab\tend",
       prefix_line + "bold red bell esc[0m tab end"},
      {":amy!a@h PRIVMSG #one :" + std::string(60000, 'x'),
       prefix_line + std::string(kMaxChatLineBytes - 6, 'x') + std::string(kChatCutMark)},
      {":amy!a@h NOTICE Ostra_Vel :\016\177caf\xC3\xA9\xC2\x80", "OV>> [IRC] -amy- caf\xC3\xA9"},
  };
  for (const auto& [line, chat] : cases) {
    harness.effects.clear();
    scripted.Send(line);
    LinesUntilSync();
    EXPECT_THAT(harness.ChatTexts(), ElementsAre(chat)) << line.substr(0, 60);
  }
}

// Another program (or another game client) changes the file while the page runs: it adds a
// channel and switches one off. The player's own change is saved, and so is theirs.
TEST_F(TabIRCTest, AChannelAddedByAnotherProgramSurvivesThePlayersSave) {
  const auto file = harness.env.folder.Path() / "Ostravel.xml";
  std::string changed = test::ReadFile(file);
  const std::string two = "channel=\"#two\" command=\"two\" colorcode=\"3\" join=\"True\"";
  ASSERT_NE(changed.find(two), std::string::npos);
  changed.replace(changed.find(two), two.size(),
                  "channel=\"#two\" command=\"two\" colorcode=\"3\" join=\"False\"");
  changed.insert(changed.find("</irc>"),
                 "<channel server=\"irc.other\" port=\"6667\" channel=\"#new\" command=\"n\" "
                 "colorcode=\"2\" join=\"True\"/>");
  harness.env.WriteSettings(changed);
  OnBox().UserCheck(true);  // #one
  tab.reset();

  EXPECT_THAT(harness.ChatTexts(), ::testing::IsEmpty());
  pugi::xml_document saved;
  ASSERT_TRUE(saved.load_file(file.c_str()));
  std::vector<std::string> joins;
  for (const auto& element : saved.select_nodes("//channel")) {
    joins.push_back(std::string(element.node().attribute("channel").value()) + "=" +
                    element.node().attribute("join").value());
  }
  EXPECT_THAT(joins, ElementsAre("#one=True", "#two=False", "#ONE=True", "#new=True"));
}

// A page of one channel, or of none: the handlers work on the one, and do nothing without any.
TEST(TabIRCFewChannelsTest, OneChannelIsShownAndNoChannelIsNoError) {
  for (const bool one : {true, false}) {
    test::PluginHarness harness;
    harness.env.WriteSettings(
        one ? "<ostravel><irc><channel server=\"irc.invalid\" port=\"6667\" channel=\"#solo\" "
              "command=\"s\" colorcode=\"1\" join=\"True\"/></irc></ostravel>"
            : "<ostravel><irc/></ostravel>");
    harness.PublishHost();
    TabIRC tab(harness.State());
    auto& choice = harness.Control<sim::SimChoice>("chIRC");
    auto& box = harness.Control<sim::SimCheckbox>("chkIRC");
    box.SetChecked(false);
    if (one) choice.UserChoose(0);
    EXPECT_EQ(box.Checked(), one);
    box.UserCheck(false);
    harness.host.FireTimers(100);
    EXPECT_FALSE(box.Checked());
    EXPECT_TRUE(harness.ChatTexts().empty()) << harness.ChatTexts()[0];
  }
}

}  // namespace
}  // namespace ostravel
