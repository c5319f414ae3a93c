#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "common/Error.h"
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

  // The names in the folder, to see that a save leaves nothing of its own behind.
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
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

// One file as a player's editor saved it, and what it must read as.
struct EncodingCase {
  const char* label;
  std::string bytes;           // the file, with "%s" where the name stands
  std::string name_bytes;      // the name as the file holds it
  std::string name;            // the name as text (UTF-8)
  std::string saved_bytes;     // the name in the saved file
  std::string declared_after;  // the declaration's encoding after a save ("" for none)
};

class SettingsEncodingTest : public SettingsFileTest,
                             public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(SettingsEncodingTest, TextSurvivesTwoLoadSaveRoundsAndTheBytesMatchTheDeclaration) {
  const EncodingCase& c = GetParam();
  std::string bytes = c.bytes;
  bytes.replace(bytes.find("%s"), 2, c.name_bytes);
  Write(bytes);
  for (int round = 0; round < 2; ++round) {
    auto settings = Load();
    pugi::xml_node line = settings.FirstElement("chatline");
    EXPECT_EQ(line.attribute("name").value(), c.name) << c.label << " round " << round;
    line.append_attribute("n") = round;
    settings.Save();
  }
  const std::string saved = ReadFile(File());
  EXPECT_NE(saved.find(c.saved_bytes), std::string::npos) << c.label << ": " << saved;
  if (c.declared_after.empty()) {
    EXPECT_EQ(saved.find("encoding="), std::string::npos) << saved;
  } else {
    EXPECT_NE(saved.find("encoding=\"" + c.declared_after + "\""), std::string::npos) << saved;
  }
}

// UTF-16 with its byte order mark, little end first, from Latin-1 bytes ("%s" kept).
std::string Utf16(const std::string& latin1) {
  std::string bytes = "\xFF\xFE";
  for (std::size_t at = 0; at < latin1.size(); ++at) {
    if (latin1.compare(at, 2, "%s") == 0) {
      bytes += latin1.substr(at++, 2);
    } else {
      bytes += std::string{latin1[at], '\0'};
    }
  }
  return bytes;
}

const std::string kDeclared = "<?xml version=\"1.0\" encoding=\"";
const std::string kBody = "<r><chatline name=\"%s\"/></r>";
const std::string kZoel = "Zo\xC3\xABl";
INSTANTIATE_TEST_SUITE_P(
    Declared, SettingsEncodingTest,
    ::testing::Values(EncodingCase{"utf_8", kDeclared + "UTF-8\"?>" + kBody, kZoel, kZoel, kZoel,
                                   "UTF-8"},
                      EncodingCase{"none", kBody, kZoel, kZoel, kZoel, ""},
                      EncodingCase{"latin_1", kDeclared + "ISO-8859-1\"?>" + kBody, "Zo\xEBl",
                                   kZoel, "Zo\xEBl", "ISO-8859-1"},
                      EncodingCase{"cp1252", kDeclared + "windows-1252\"?>" + kBody, "Zo\xEBl\x80",
                                   kZoel + "\xE2\x82\xAC", "Zo\xEBl\x80", "windows-1252"},
                      EncodingCase{"cp932", kDeclared + "Shift_JIS\"?>" + kBody, "\x92\x86\x91\xBA",
                                   "\xE4\xB8\xAD\xE6\x9D\x91", "\x92\x86\x91\xBA", "Shift_JIS"},
                      // A plain editor's file: no declaration, ANSI bytes. It is saved as UTF-8.
                      EncodingCase{"ansi", kBody, "Zo\xEBl", kZoel, kZoel, ""},
                      EncodingCase{"utf_16", Utf16("<r><chatline name=\"%s\"/></r>"),
                                   std::string("Z\0o\0\xEB\0l\0", 8), kZoel,
                                   std::string("Z\0o\0\xEB\0l\0", 8), ""}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(SettingsFileTest, Latin1IsReadExactlyAndLeftForUtf8WhenATextNoLongerFits) {
  // 0x80-0x9F are control characters in Latin-1, not the 1252 punctuation.
  Write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><a t=\"\x80\x92\xFF\"/></r>");
  auto settings = Load();
  EXPECT_STREQ(settings.FirstElement("a").attribute("t").value(), "\xC2\x80\xC2\x92\xC3\xBF");

  settings.FirstElement("a").append_attribute("u") = "\xE2\x82\xAC";  // the euro sign
  settings.Save();
  const std::string saved = ReadFile(File());
  EXPECT_NE(saved.find("encoding=\"UTF-8\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\xC2\x80\xC2\x92\xC3\xBF"), std::string::npos);
  const auto reloaded = Load();
  EXPECT_STREQ(reloaded.FirstElement("a").attribute("t").value(), "\xC2\x80\xC2\x92\xC3\xBF");
  EXPECT_STREQ(reloaded.FirstElement("a").attribute("u").value(), "\xE2\x82\xAC");
}

TEST_F(SettingsFileTest, CarriageReturnsTabsAndLineFeedsReadBackAsWritten) {
  Write("<r><a t=\"x&#13;y&#9;z&#10;w\">p&#13;q&#13;&#10;r</a><!-- &#01; stays --></r>");
  for (int round = 0; round < 2; ++round) {
    auto settings = Load();
    const pugi::xml_node a = settings.FirstElement("a");
    EXPECT_STREQ(a.attribute("t").value(), "x\ry\tz\nw") << round;
    EXPECT_STREQ(a.child_value(), "p\rq\r\nr") << round;
    settings.Save();
  }
  EXPECT_NE(ReadFile(File()).find("<!-- &#01; stays -->"), std::string::npos);
}

TEST_F(SettingsFileTest, CommentsInstructionsDoctypeAndUnknownContentSurviveASave) {
  Write(
      "<?xml version=\"1.0\"?>\n<!DOCTYPE settings>\n<!-- written by hand -->\n"
      "<settings><?editor keep this?><!-- the address --><server url=\"u\"/>"
      "<unknown a=\"1\">text<b/></unknown><update/></settings>");
  auto settings = Load();
  settings.FirstElement("update").append_child("character").append_attribute("name") = "A";
  settings.Save();
  const std::string saved = ReadFile(File());
  for (const char* kept :
       {"<!DOCTYPE settings>", "<!-- written by hand -->", "<?editor keep this?>",
        "<!-- the address -->", "<unknown a=\"1\">text<b />", "name=\"A\""}) {
    EXPECT_NE(saved.find(kept), std::string::npos) << kept << " in " << saved;
  }
}

TEST_F(SettingsFileTest, ASaveLeavesOnlyTheFileAndItsLockInTheFolder) {
  Write(R"(<root><server url="x"/><update><character name="A" shareinfo="True"/></update></root>)");
  {
    auto settings = LoadForChange();
    settings.FirstElement("character").attribute("shareinfo").set_value("False");
    settings.Save();
  }
  EXPECT_STREQ(Load().FirstElement("character").attribute("shareinfo").value(), "False");
  EXPECT_EQ(FolderNames(), (std::vector<std::string>{"Ostravel.xml", "Ostravel.xml.lock"}));
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
  const Error error = ErrorOf([&] { settings.Save(); });
  EXPECT_EQ(error.Number(), -2147024891);
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
