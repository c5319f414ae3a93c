#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "base/Error.h"
#include "platform/CodePage.h"
#include "platform/FileLock.h"
#include "support/TestEnvironment.h"
#include "web/SettingsFile.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;

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

TEST_F(SettingsFileTest, AReadOnlyFileIsReportedAndStaysAsItWas) {
  const std::string original = "<root><update/></root>";
  Write(original);
  using std::filesystem::perms;
  std::filesystem::permissions(File(),
                               perms::owner_write | perms::group_write | perms::others_write,
                               std::filesystem::perm_options::remove);
#ifndef _WIN32
  // Windows keeps the read-only mark for everybody; POSIX root ignores the mode.
  if (std::ofstream(File(), std::ios::app).is_open()) {
    GTEST_SKIP() << "this user writes read-only files (root); the POSIX tests cover it";
  }
#endif
  auto settings = Load();
  settings.FirstElement("update").append_child("character");
  EXPECT_EQ(ErrorOf([&] { settings.Save(); }).Number(), -2147024891);
  EXPECT_EQ(ReadFile(File()), original);
  std::filesystem::permissions(File(), perms::owner_write, std::filesystem::perm_options::add);
}

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

}  // namespace
}  // namespace ostravel
