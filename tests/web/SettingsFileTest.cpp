#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "base/Error.h"
#include "platform/CodePage.h"
#include "platform/FileLock.h"
#include "support/TestEnvironment.h"
#include "web/ChatLineMerge.h"
#include "web/Settings.h"
#include "web/SettingsFile.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class SettingsFileTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return folder.Path() / "Ostravel.xml"; }
  void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }
  SettingsFile Load() const { return SettingsFile::Load(folder.Path(), *ansi); }
  SettingsFile LoadForChange() const {
    return SettingsFile::LoadForChange(folder.Path(), *ansi, 100ms);
  }

  template <class Action>
  Error ErrorOf(Action&& action) const {
    try {
      action();
    } catch (const Error& e) {
      return e;
    }
    ADD_FAILURE() << "no error was raised";
    return Error(0, "");
  }
  Error LoadError() const {
    return ErrorOf([this] { Load(); });
  }

  std::unique_ptr<platform::CodePage> ansi = platform::CodePage::Open(1252);
  test::TempFolder folder;
};

TEST_F(SettingsFileTest, LoadErrorsCarryTheParsersNumbersAndTexts) {
  EXPECT_EQ(LoadError().Number(), -2146697211);
  EXPECT_EQ(LoadError().Description(), "Ostravel.xml not found");

  std::filesystem::create_directory(File());
  EXPECT_EQ(LoadError().Description(), "Ostravel.xml not found");
  std::filesystem::remove(File());

  Write("<settings>\n  <server url=\"http://a/\">\n  <update/>\n</settings>\n");
  EXPECT_EQ(LoadError().Number(), -1072896763);
  EXPECT_EQ(LoadError().Description(), "Parse failed in Ostravel.xml on line 4");
  Write("");
  EXPECT_EQ(LoadError().Description(), "Parse failed in Ostravel.xml on line 1");
  // The line counts in the decoded text, whatever the file's encoding.
  Write("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a t=\"\xE9\">\n<b></a>");
  EXPECT_EQ(LoadError().Description(), "Parse failed in Ostravel.xml on line 3");

  Write("<?xml version=\"1.0\" encoding=\"x-klingon\"?><a/>");
  EXPECT_EQ(LoadError().Number(), -1072896658);
  EXPECT_EQ(LoadError().Description(), "System does not support the specified encoding.");
}

std::string Declared(const std::string& encoding, const std::string& name) {
  return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?><r><chatline name=\"" + name +
         "\"/></r>";
}

// Little end first, from Latin-1 bytes.
std::string Utf16(const std::string& latin1) {
  std::string bytes;
  for (const char c : latin1) bytes += std::string{c, '\0'};
  return bytes;
}

TEST_F(SettingsFileTest, TextSurvivesTwoLoadSaveRoundsAndTheBytesMatchTheDeclaration) {
  // One file as a player's editor saved it, and what it must read as.
  struct Case {
    const char* label;
    std::string bytes;
    std::string name;            // the name as text (UTF-8)
    std::string saved_bytes;     // the name in the saved file
    std::string declared_after;  // the declaration's encoding after a save ("" for none)
  };
  const std::string zoel = "Zo\xC3\xABl";
  const std::string body = "<r><chatline name=\"Zo\xEBl\"/></r>";
  const Case cases[] = {{"utf_8", Declared("UTF-8", zoel), zoel, zoel, "UTF-8"},
                        {"none", "<r><chatline name=\"" + zoel + "\"/></r>", zoel, zoel, ""},
                        // 0x80-0x9F are control characters in Latin-1, not the 1252 punctuation.
                        {"latin_1", Declared("ISO-8859-1", "Zo\xEBl\x80\x92"),
                         zoel + "\xC2\x80\xC2\x92", "Zo\xEBl\x80\x92", "ISO-8859-1"},
                        {"cp1252", Declared("windows-1252", "Zo\xEBl\x80"), zoel + "\xE2\x82\xAC",
                         "Zo\xEBl\x80", "windows-1252"},
                        {"cp932", Declared("Shift_JIS", "\x92\x86\x91\xBA"),
                         "\xE4\xB8\xAD\xE6\x9D\x91", "\x92\x86\x91\xBA", "Shift_JIS"},
                        // A plain editor's file: no declaration, ANSI bytes. It is saved as UTF-8.
                        {"ansi", body, zoel, zoel, ""},
                        {"utf_16", "\xFF\xFE" + Utf16(body), zoel, Utf16("Zo\xEBl"), ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Write(c.bytes);
    for (int round = 0; round < 2; ++round) {
      auto settings = Load();
      pugi::xml_node line = settings.FirstElement("chatline");
      EXPECT_EQ(line.attribute("name").value(), c.name) << "round " << round;
      line.append_attribute("n") = round;
      settings.Save();
    }
    const std::string saved = ReadFile(File());
    EXPECT_NE(saved.find(c.saved_bytes), std::string::npos) << saved;
    const std::string declaration =
        c.declared_after.empty() ? "encoding=" : "encoding=\"" + c.declared_after + "\"";
    EXPECT_EQ(saved.find(declaration) != std::string::npos, !c.declared_after.empty()) << saved;
  }
}

TEST_F(SettingsFileTest, ATextThatNoLongerFitsTheDeclaredEncodingTurnsTheFileToUtf8) {
  Write(Declared("ISO-8859-1", "Zo\xEBl"));
  auto settings = Load();
  settings.FirstElement("chatline").append_attribute("u") = "\xE2\x82\xAC";  // the euro sign
  settings.Save();
  EXPECT_NE(ReadFile(File()).find("encoding=\"UTF-8\""), std::string::npos) << ReadFile(File());
  const auto reloaded = Load();
  EXPECT_STREQ(reloaded.FirstElement("chatline").attribute("name").value(), "Zo\xC3\xABl");
  EXPECT_STREQ(reloaded.FirstElement("chatline").attribute("u").value(), "\xE2\x82\xAC");
}

TEST_F(SettingsFileTest, WhatTheProgramDoesNotKnowSurvivesASaveThatLeavesNothingBehind) {
  Write(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE settings>\n<!-- written by hand -->\n"
      "<settings><?editor keep this?><!-- &#01; stays --><unknown a=\"1\">text<b/></unknown>"
      "<update><a t=\"x&#13;y&#9;z&#10;w\">p&#13;q&#13;&#10;r</a></update></settings>");
  for (int round = 0; round < 2; ++round) {
    auto settings = LoadForChange();
    const pugi::xml_node a = settings.FirstElement("a");
    // Carriage returns, tabs and line feeds read back as written.
    EXPECT_STREQ(a.attribute("t").value(), "x\ry\tz\nw") << round;
    EXPECT_STREQ(a.child_value(), "p\rq\r\nr") << round;
    if (round == 0)
      settings.FirstElement("update").append_child("character").append_attribute("name") = "A";
    settings.Save();
  }
  const std::string saved = ReadFile(File());
  for (const char* kept :
       {"<!DOCTYPE settings>", "<!-- written by hand -->", "<?editor keep this?>",
        "<!-- &#01; stays -->", "<unknown a=\"1\">text<b />", "name=\"A\""}) {
    EXPECT_NE(saved.find(kept), std::string::npos) << kept << " in " << saved;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Ostravel.xml", "Ostravel.xml.lock"}));
}

#ifdef _WIN32
// Windows keeps the read-only mark for everybody. POSIX has its own case, which also runs as
// root, whom the mode does not stop (SettingsFilePosixTest).
TEST_F(SettingsFileTest, AReadOnlyFileIsReportedAndStaysAsItWas) {
  const std::string original = "<root><update/></root>";
  Write(original);
  using std::filesystem::perms;
  std::filesystem::permissions(File(),
                               perms::owner_write | perms::group_write | perms::others_write,
                               std::filesystem::perm_options::remove);
  auto settings = Load();
  settings.FirstElement("update").append_child("character");
  EXPECT_EQ(ErrorOf([&] { settings.Save(); }).Number(), -2147024891);
  EXPECT_EQ(ReadFile(File()), original);
  std::filesystem::permissions(File(), perms::owner_write, std::filesystem::perm_options::add);
}
#endif

TEST_F(SettingsFileTest, AFolderThatVanishedBeforeTheSaveIsReportedAndNotMadeAgain) {
  Write("<root><update/></root>");
  auto settings = Load();
  std::filesystem::remove_all(folder.Path());
  const Error error = ErrorOf([&] { settings.Save(); });
  EXPECT_EQ(error.Number(), -2147024893);
  EXPECT_EQ(error.Description(), "The folder of Ostravel.xml was not found");
  EXPECT_FALSE(std::filesystem::exists(folder.Path()));
  std::filesystem::create_directory(folder.Path());  // for the fixture's clean-up
}

TEST_F(SettingsFileTest, AChangeInProgressKeepsOtherLoadsAndSavesWaitingThenFailingInTime) {
  Write("<root/>");
  auto reader = SettingsFile::Load(folder.Path(), *ansi, 50ms);
  {
    const auto change = LoadForChange();
    for (const auto& attempt : std::vector<std::function<void()>>{
             [&] { SettingsFile::Load(folder.Path(), *ansi, 50ms); },
             [&] { SettingsFile::LoadForChange(folder.Path(), *ansi, 50ms); },
             [&] { reader.Save(); }}) {
      const Error error = ErrorOf(attempt);
      EXPECT_EQ(error.Number(), -2147024863);
      EXPECT_EQ(error.Description(), "Ostravel.xml is locked by another program");
    }
  }
  EXPECT_NO_THROW(LoadForChange());
  // A reader's shared lock lets other readers in but keeps a change out.
  const auto shared = platform::FileLock::Acquire(folder.Path() / "Ostravel.xml.lock",
                                                  platform::FileLock::Mode::kShared, 0ms);
  ASSERT_TRUE(shared.Held());
  EXPECT_NO_THROW(SettingsFile::Load(folder.Path(), *ansi, 0ms));
  EXPECT_THROW(SettingsFile::LoadForChange(folder.Path(), *ansi, 20ms), Error);
}

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
      {"between two equal lines",
       {ann, ann},
       {out, ann, ann},
       {ann, cid, ann},
       {out, ann, cid, ann}},
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

// Settings reads and writes its parts of the file through SettingsFile.
class SettingsTest : public SettingsFileTest {
 protected:
  Settings Client() const { return Settings(folder.Path(), *ansi, 100ms); }
  std::vector<std::string> Tells() const {
    std::vector<std::string> tells;
    for (const ChatLine& line : Client().LoadChatLines())
      tells.push_back(host::ToText(line.name) + ": " + host::ToText(line.text));
    return tells;
  }
  static ChatLine Tell(const std::string& name, const std::string& text) { return {name, text}; }
};

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
  const std::string saved = ReadFile(File());
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
  EXPECT_EQ(ReadFile(File()).find("http://a/"), std::string::npos);
  EXPECT_EQ(Client().ServerAddress(), "http://c/");
  Write("<s><chathelper/></s>");
  EXPECT_EQ(Client().ServerAddress(), "");
  Client().SetServerAddress("http://d/");
  EXPECT_THAT(ReadFile(File()), HasSubstr("<s>\n  <server url=\"http://d/\" />\n  <chathelper"));
  Write("<s><server/></s>");
  EXPECT_THROW(Client().ServerAddress(), Error);
}

}  // namespace
}  // namespace ostravel
