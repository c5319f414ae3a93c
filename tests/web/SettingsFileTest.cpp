#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/Error.h"
#include "support/TestEnvironment.h"
#include "web/SettingsFile.h"

namespace ostravel {
namespace {

using test::ReadFile;

class SettingsFileTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return folder.Path() / "Ostravel.xml"; }
  void Write(const std::string& text) const { std::ofstream(File(), std::ios::binary) << text; }

  Error LoadError() const {
    try {
      SettingsFile::Load(folder.Path());
    } catch (const Error& e) {
      return e;
    }
    ADD_FAILURE() << "the file loaded";
    return Error(0, "");
  }

  test::TempFolder folder;
};

TEST_F(SettingsFileTest, AMissingFileIsNotFound) {
  const Error error = LoadError();
  EXPECT_EQ(error.Number(), -2146697211);
  EXPECT_EQ(error.Description(), "Ostravel.xml not found");
}

TEST_F(SettingsFileTest, MalformedXmlNamesTheLine) {
  Write("<settings>\n  <server url=\"http://a/\">\n  <update/>\n</settings>\n");
  const Error error = LoadError();
  EXPECT_EQ(error.Number(), -1072896763);
  EXPECT_EQ(error.Description(), "Parse failed in Ostravel.xml on line 4");

  Write("");
  EXPECT_EQ(LoadError().Description(), "Parse failed in Ostravel.xml on line 1");
}

TEST_F(SettingsFileTest, AFolderInPlaceOfTheFileIsNotFoundEither) {
  std::filesystem::create_directory(File());
  EXPECT_EQ(LoadError().Description(), "Ostravel.xml not found");
}

TEST_F(SettingsFileTest, FindsElementsWhereverTheyStandInDocumentOrder) {
  Write(R"(<root><server url="one"/><group><server url="two"/></group><server url="three"/>
           <chathelper savelines="5"/></root>)");
  const auto settings = SettingsFile::Load(folder.Path());
  const auto servers = settings.ElementsByTagName("server");
  ASSERT_EQ(servers.size(), 3u);
  EXPECT_STREQ(servers[1].attribute("url").value(), "two");
  EXPECT_STREQ(settings.FirstElement("server").attribute("url").value(), "one");
  EXPECT_TRUE(settings.ElementsByTagName("Server").empty());  // names are case-sensitive
  EXPECT_FALSE(settings.FirstElement("irc"));
}

TEST_F(SettingsFileTest, SavesTheWholeDocument) {
  Write(R"(<root><server url="x"/><update><character name="A" shareinfo="True"/></update></root>)");
  auto settings = SettingsFile::Load(folder.Path());
  settings.FirstElement("character").attribute("shareinfo").set_value("False");
  settings.Save();

  const auto reloaded = SettingsFile::Load(folder.Path());
  EXPECT_STREQ(reloaded.FirstElement("character").attribute("shareinfo").value(), "False");
  EXPECT_STREQ(reloaded.FirstElement("server").attribute("url").value(), "x");
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Ostravel.xml.new"));
}

TEST_F(SettingsFileTest, ASaveThatFailsHalfWayLeavesTheOldFileWhole) {
  const std::string original = R"(<root><chathelper savelines="9"/></root>)";
  Write(original);
  auto settings = SettingsFile::Load(folder.Path());
  settings.FirstElement("chathelper").attribute("savelines").set_value("1");
  // The file written beside the settings goes to a full disk.
  std::filesystem::create_symlink("/dev/full", folder.Path() / "Ostravel.xml.new");

  EXPECT_THROW(settings.Save(), Error);
  EXPECT_EQ(ReadFile(File()), original);
  EXPECT_FALSE(
      std::filesystem::exists(std::filesystem::symlink_status(folder.Path() / "Ostravel.xml.new")));
}

}  // namespace
}  // namespace ostravel
