// The characters' keys in "Ostravel.xml", beside the Update page's boxes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "platform/CodePage.h"
#include "support/TestEnvironment.h"
#include "web/Settings.h"

namespace ostravel {
namespace {

using namespace std::chrono_literals;

const std::string kAnnKey = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa_";
const std::string kNewKey = "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn-";
const std::string kBobKey = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb_";

// The elements and attributes of a text, without its declaration and the space between
// elements.
std::string Canonical(const std::string& xml) {
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(xml.c_str()));
  std::ostringstream out;
  document.save(out, "", pugi::format_raw | pugi::format_no_declaration);
  return out.str();
}

class SettingsKeyTest : public ::testing::Test {
 protected:
  void Write(const std::string& text) const {
    std::ofstream(folder.Path() / "Ostravel.xml", std::ios::binary) << text;
  }
  std::string File() const { return test::ReadFile(folder.Path() / "Ostravel.xml"); }
  Settings Client() const { return Settings(folder.Path(), *ansi, 100ms); }

  test::TempFolder folder;
  std::unique_ptr<platform::CodePage> ansi = platform::CodePage::Open(1252);
};

TEST_F(SettingsKeyTest, AKeyIsKeptInTheCharactersElementMadeWhereThereIsNone) {
  struct Case {
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"<s><server url=\"http://a/\"/></s>",
       "<s><server url=\"http://a/\"/><update><character name=\"Ann\" shareinfo=\"True\" "
       "autoupdate=\"True\"><key cid=\"11\" value=\"KEY\"/></character></update></s>"},
      {"<s><update><character name=\"Ann\" shareinfo=\"False\" autoupdate=\"True\"/>"
       "<character name=\"Ann\" shareinfo=\"True\" autoupdate=\"False\">"
       "<key cid=\"11\" value=\"old\"/><x/></character></update></s>",
       "<s><update><character name=\"Ann\" shareinfo=\"False\" autoupdate=\"True\"/>"
       "<character name=\"Ann\" shareinfo=\"True\" autoupdate=\"False\">"
       "<x/><key cid=\"11\" value=\"KEY\"/></character></update></s>"},
      // Renamed: the key of the id moves to the new name.
      {"<s><update><character name=\"Old\" shareinfo=\"True\" autoupdate=\"True\">"
       "<key cid=\"11\" value=\"old\"/><key cid=\"22\" value=\"bob\"/></character></update></s>",
       "<s><update><character name=\"Old\" shareinfo=\"True\" autoupdate=\"True\">"
       "<key cid=\"22\" value=\"bob\"/></character><character name=\"Ann\" shareinfo=\"True\" "
       "autoupdate=\"True\"><key cid=\"11\" value=\"KEY\"/></character></update></s>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    Write(c.before);
    Client().SaveCharacterKey("Ann", 11, kAnnKey);
    std::string after = c.after;
    after.replace(after.find("KEY"), 3, kAnnKey);
    EXPECT_EQ(Canonical(File()), Canonical(after));
    EXPECT_EQ(Client().CharacterKey(11), kAnnKey);
  }
}

TEST_F(SettingsKeyTest, TheBoxesOfAnotherClientKeepTheKeysWrittenSinceItsLoad) {
  Write("<s><update><character name=\"Ann\" shareinfo=\"True\" autoupdate=\"True\"/></update></s>");
  Settings ann = Client();
  bool share = true;
  ann.LoadCharacterBoxes("Ann", [&](const CharacterBoxes& boxes) { share = boxes.shareinfo; });
  Client().SaveCharacterKey("Ann", 11, kAnnKey);  // the answer to a request, after the load
  Client().SaveCharacterKey("Bob", 22, kBobKey);  // another client in the folder
  ann.SaveCharacterBoxes("Ann", {!share, false});
  EXPECT_EQ(Client().CharacterKey(11), kAnnKey);
  EXPECT_EQ(Client().CharacterKey(22), kBobKey);
  Client().SaveCharacterKey("Ann", 11, kNewKey);  // a reset key replaces the old one
  EXPECT_EQ(Client().CharacterKey(11), kNewKey);
  EXPECT_EQ(File().find(kAnnKey), std::string::npos);
  std::vector<bool> read;
  Client().LoadCharacterBoxes("Ann", [&](const CharacterBoxes& boxes) {
    read.push_back(boxes.shareinfo);
    read.push_back(boxes.autoupdate);
  });
  EXPECT_THAT(read, ::testing::ElementsAre(false, false));
}

TEST_F(SettingsKeyTest, AStoredValueThatIsNoKeyIsNoKey) {
  EXPECT_EQ(Client().CharacterKey(4), "");  // no file yet: no key, and no error of its own
  Write("<s><key cid=\"1\" value=\"short\"/><key cid=\"2\" value=\"" + kAnnKey +
        " \"/><key cid=\"3\"/><key cid=\"4\" value=\"" + kAnnKey + "\"/></s>");
  for (const std::int32_t cid : {1, 2, 3, 5}) EXPECT_EQ(Client().CharacterKey(cid), "") << cid;
  EXPECT_EQ(Client().CharacterKey(4), kAnnKey);
}

}  // namespace
}  // namespace ostravel
