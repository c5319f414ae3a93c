// The config file of `serve`: what it sets, what the command line keeps, and the bad lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ServiceTestSupport.h"
#include "service/admin/ServeConfig.h"

namespace ostravel::test {
namespace {

using service::ConfigError;
using service::ServeSettings;
using ::testing::HasSubstr;

ServeSettings Read(const std::string& text, const std::set<std::string>& given = {},
                   ServeSettings settings = {}) {
  std::istringstream in(text);
  service::ReadServeConfig(in, "test.conf", given, settings);
  return settings;
}

std::string ErrorOf(const std::string& text) {
  try {
    Read(text);
  } catch (const ConfigError& error) {
    return error.what();
  }
  return "no error";
}

TEST(ServeConfigTest, SetsWhatItNamesKeepsTheDefaultsOfTheRestAndWhatTheCommandLineGave) {
  const auto settings = Read(
      "# The allegiance's service\n"
      "\n"
      "  db = /var/lib/ostravel/ostravel.db  \n"
      "codepage=1251\r\n"
      "trusted_proxy = ::1\n"
      "name = The Sable Guard\n"
      "public_url = https://ostravel.example.org/sable\n"
      "installer = /srv/Ostravel-setup.exe\n"
      "access = open\n");
  EXPECT_EQ(settings.name, "The Sable Guard");
  // The plug-in adds the script's name to the address, so it ends with "/".
  EXPECT_EQ(settings.public_url, "https://ostravel.example.org/sable/");
  EXPECT_EQ(settings.installer, "/srv/Ostravel-setup.exe");
  EXPECT_EQ(Read("").installer, "/usr/share/ostravel-service/Ostravel-setup.exe");
  EXPECT_EQ(settings.database, "/var/lib/ostravel/ostravel.db");
  EXPECT_EQ(settings.access, "open");
  EXPECT_EQ(Read("db = a\n").access, "keys");
  EXPECT_EQ(settings.code_page, 1251);
  EXPECT_EQ(settings.trusted_proxy, "::1");
  EXPECT_EQ(settings.listen, "127.0.0.1:8080");
  EXPECT_EQ(Read("db = \" spaced name \"\n").database, " spaced name ");

  // The command line wins, but the file's lines for its keys are still checked.
  ServeSettings command_line;
  command_line.database = "/tmp/given.db";
  command_line.listen = "0.0.0.0:9000";
  const auto given = Read("db = /var/lib/x.db\nlisten = 127.0.0.1:8081\ncodepage = 1250\n",
                          {"db", "listen"}, command_line);
  EXPECT_EQ(given.database, "/tmp/given.db");
  EXPECT_EQ(given.listen, "0.0.0.0:9000");
  EXPECT_EQ(given.code_page, 1250);
  EXPECT_THROW(Read("listen = nowhere\n", {"listen"}), ConfigError);
}

TEST(ServeConfigTest, ABadLineNamesTheFileTheLineAndWhatToDo) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"db = a\nport = 8080\n", "test.conf:2: \"port\" is no setting; the settings are db,"},
      {"\n\ndb /var/lib/x.db\n", "test.conf:3: \"db /var/lib/x.db\" is no \"key = value\" line"},
      {"db = a\n# note\ndb = b\n", "test.conf:3: db is set on line 1 already; keep one"},
      {"listen = 8080\n", "test.conf:1: listen takes ADDR:PORT, for example 127.0.0.1:8080"},
      {"listen = 127.0.0.1:99999\n", "test.conf:1: the port of listen must be a number from 0"},
      {"codepage = cyrillic\n", "test.conf:1: the code page must be a number from 1 to 65535"},
      {"codepage = 1252x\n", "test.conf:1: the code page must be a number"},
      {"db =\n", "test.conf:1: db has no value; give one or remove it"},
      {"trusted_proxy = localhost\n",
       "test.conf:1: the trusted proxy is an IPv4 or IPv6 address, such as 127.0.0.1, not"},
      {"public_url = ostravel.example.org\n", "test.conf:1: public_url is the address players"},
      {"public_url = ftp://ostravel.example.org/\n", "an http or https address"},
      {"public_url = https://\n", "not \"https://\""},
      {"public_url = \"http://a b/\"\n", "not \"http://a b/\""},
      {"public_url = http://x/<script>\n", "an http or https address"},
      {"access = closed\n", "test.conf:1: access is keys (each character its own key) or open"},
  };
  for (const auto& c : cases) EXPECT_THAT(ErrorOf(c.text), HasSubstr(c.error)) << c.text;
}

TEST(ServeConfigTest, OnlyAFileNamedOnTheCommandLineMustBeThere) {
  TempFolder folder;
  const auto missing = folder.Path() / "missing.conf";
  ServeSettings settings;
  EXPECT_NO_THROW(service::LoadServeConfig(missing, false, {}, settings));
  try {
    service::LoadServeConfig(missing, true, {}, settings);
    ADD_FAILURE() << "a missing config file named on the command line was accepted";
  } catch (const ConfigError& error) {
    EXPECT_THAT(error.what(), HasSubstr("missing.conf: cannot read it (No such file"));
  }
  std::ofstream(folder.Path() / "present.conf") << "db = here.db\n";
  service::LoadServeConfig(folder.Path() / "present.conf", false, {}, settings);
  EXPECT_EQ(settings.database, "here.db");
}

}  // namespace
}  // namespace ostravel::test
