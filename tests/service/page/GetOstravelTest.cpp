// What the members' page gives a player who has not joined yet: the allegiance's name, the
// installer, the address for the plug-in; and the events for calendars in any time zone.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <vector>

#include "MembersPageFixture.h"
#include "service/page/EventCalendar.h"
#include "service/page/PublicAddress.h"
#include "service/store/EventTable.h"

namespace ostravel::test {
namespace {

using service::HttpResponse;
using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(MembersPageTest, NamesTheAllegianceAfterItsMonarchUnlessTheAdminNamedIt) {
  EXPECT_THAT(Get("/").body, HasSubstr("<h1 id=\"allegiance\">Allegiance members</h1>"));
  Post("update.php", CharRecord(kAnn, "Queen Ann", 200));  // MonarchName=Queen Ann
  std::string other = CharRecord(kBob, "Bob", 72);
  other.replace(other.find("MonarchName=Queen Ann"), 21, "MonarchName=<b>Rival</b>");
  Post("update.php", other);
  Post("update.php", CharRecord(kCid, "Cid", 50));
  // The monarch most records name: a visitor of another allegiance does not rename it.
  EXPECT_THAT(Get("/").body, HasSubstr("<h1 id=\"allegiance\">Allegiance of Queen Ann</h1>"));
  EXPECT_THAT(Get("/").body, HasSubstr("<title>Allegiance of Queen Ann: members</title>"));
  UsePage({.name = "The \"Sable\" <Guard>"});
  const std::string page = Get("/").body;
  EXPECT_THAT(page, HasSubstr("<h1 id=\"allegiance\">The &quot;Sable&quot; &lt;Guard&gt;</h1>"));
  EXPECT_THAT(page, HasSubstr("<title>The &quot;Sable&quot; &lt;Guard&gt;: members</title>"));
}

TEST_F(MembersPageTest, GivesTheAddressForThePlugInAsConfiguredOrAsTheBrowserAskedForIt) {
  const std::string asked = Get("/", "GET", "ostravel.example.org:8080").body;
  EXPECT_THAT(asked, HasSubstr("<code id=\"service-address\">http://ostravel.example.org:8080/"
                               "</code> <button type=\"button\" id=\"copy-address\" hidden>"));
  // A Host header is whatever the sender wrote: never shown unless it is a host.
  const std::string forged = Get("/", "GET", "x\"><img src=y>").body;
  EXPECT_THAT(forged, Not(HasSubstr("service-address")));
  EXPECT_THAT(forged, Not(HasSubstr("<img")));
  EXPECT_THAT(forged, HasSubstr("give it the address your allegiance's admin gives you."));
  UsePage({.public_url = "https://ostravel.example.org/sable/"});
  EXPECT_THAT(Get("/", "GET", "127.0.0.1:8080").body,
              HasSubstr(">https://ostravel.example.org/sable/</code>"));
}

TEST(PublicAddressTest, TakesTheConfiguredAddressOrAHostTheRequestNamed) {
  const struct {
    const char* configured;
    const char* host;
    const char* scheme;
    const char* address;
  } cases[] = {
      {"https://a.example/x/", "b.example", "http", "https://a.example/x/"},
      {"", "b.example", "http", "http://b.example/"},
      {"", "b.example:8080", "HTTPS", "https://b.example:8080/"},
      {"", "[::1]:8080", "http", "http://[::1]:8080/"},
      // A chain of proxies forwards a list: the first is the browser's.
      {"", "b.example, 10.0.0.2", "https, http", "https://b.example/"},
      {"", "b.example", "gopher", "http://b.example/"},
      {"", "", "http", ""},
      {"", "b.example/path", "http", ""},
      {"", "b.example@evil", "http", ""},
      {"", "<b>", "http", ""},
      {"", ":8080", "http", ""},
  };
  for (const auto& c : cases) {
    service::HttpRequest request;
    request.host = c.host;
    request.scheme = c.scheme;
    EXPECT_EQ(service::PublicAddress(c.configured, request), c.address) << c.host;
  }
}

TEST_F(MembersPageTest, OffersTheInstallerFromOneAddressAsADownloadAnd404WithoutIt) {
  const HttpResponse missing = Get("/Ostravel-setup.exe");
  EXPECT_EQ(missing.status, 404);
  EXPECT_EQ(missing.body,
            "The installer is not on this server; ask the allegiance's admin for it.\n");
  EXPECT_THAT(Get("/").body, HasSubstr("Get the installer from your allegiance's admin"));

  const auto file = folder_.Path() / "setup.exe";
  const std::string bytes("MZ\x90\0\x03\0\xff\xfe rest of the program", 26);
  std::ofstream(file, std::ios::binary) << bytes;
  UsePage({.installer = file});
  const HttpResponse download = Get("/Ostravel-setup.exe");
  EXPECT_EQ(download.status, 200);
  EXPECT_EQ(download.body, bytes);
  EXPECT_EQ(Header(download, "Content-Disposition"), "attachment; filename=\"Ostravel-setup.exe\"");
  EXPECT_EQ(download.content_type, "application/vnd.microsoft.portable-executable");
  EXPECT_EQ(Header(download, "X-Content-Type-Options"), "nosniff");
  EXPECT_THAT(Get("/").body,
              HasSubstr("<a id=\"download\" href=\"/Ostravel-setup.exe\" download>"));
  // No other name reaches a file, the installer's folder included.
  for (const std::string& path : std::vector<std::string>{
           "/setup.exe", "/Ostravel-setup.exe/", "/ostravel-setup.exe", "/Ostravel.xml",
           "/Ostravel-setup.exe/../setup.exe", file.string(), "/../setup.exe"}) {
    EXPECT_EQ(Get(path).status, 404) << path;
  }
  EXPECT_EQ(Get("/Ostravel-setup.exe", "POST").status, 405);
}

TEST_F(MembersPageTest, GivesEventTimesWithTheirMomentForReadersInOtherZones) {
  service_->Db().Write([](service::SqliteConnection& db) {
    service::InsertEvent(db, {"2025-06-02 20:00", true, "Raid", "", kCid, ""});
    service::InsertEvent(db, {"2025-06-05", false, "Whole day", "", kCid, ""});
    return std::string();
  });
  const std::string page = Get("/").body;
  EXPECT_THAT(
      page, HasSubstr("<td><time datetime=\"2025-06-02T20:00:00+02:00\">2025-06-02 20:00</time>"));
  EXPECT_THAT(page, HasSubstr("<td>2025-06-05<td><strong>Whole day"));
  EXPECT_THAT(page, HasSubstr("<span id=\"event-zone\">Times are the server's.</span>"));
  const auto events = GetJson("/api/events")["events"];
  EXPECT_EQ(events[0]["starts_iso"], "2025-06-02T20:00:00+02:00");
  EXPECT_TRUE(events[1]["starts_iso"].is_null());
}

// The feed's content lines, unfolded, without their CRLF; fails on a bare LF or a long line.
std::vector<std::string> CalendarLines(const std::string& feed) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < feed.size()) {
    const std::size_t end = feed.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "the last line has no CRLF";
    if (end == std::string::npos) break;
    const std::string line = feed.substr(start, end - start);
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    EXPECT_LE(line.size(), 75u) << line;
    if (line.starts_with(' ') && !lines.empty()) {
      lines.back() += line.substr(1);
    } else {
      lines.push_back(line);
    }
    start = end + 2;
  }
  return lines;
}

TEST_F(MembersPageTest, TheCalendarFeedHoldsEachEventOnceWithAStableUid) {
  Post("update.php", CharRecord(kAnn, "Queen Ann", 200));
  const std::string long_title(90, 'x');
  service_->Db().Write([&](service::SqliteConnection& db) {
    service::InsertEvent(db, {"2025-04-01 20:00", true, "Long ago", "", kAnn, ""});
    service::InsertEvent(db, {"2025-05-25 19:30", true, "Last week", "", kAnn, ""});
    service::InsertEvent(
        db, {"2025-06-02 20:00", true, "Raid; keys, \\ all", "Line 1\nLine 2", kAnn, ""});
    service::InsertEvent(db, {"2025-06-05", false, long_title + "\xC3\xA9", "", 999, ""});
    return std::string();
  });
  const HttpResponse feed = Get("/events.ics");
  EXPECT_EQ(feed.status, 200);
  EXPECT_EQ(feed.content_type, "text/calendar; charset=utf-8");
  const std::vector<std::string> lines = CalendarLines(feed.body);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "BEGIN:VCALENDAR");
  EXPECT_EQ(lines.back(), "END:VCALENDAR");
  const auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("VERSION:2.0"));
  EXPECT_TRUE(has("X-WR-CALNAME:Allegiance of Queen Ann: events"));
  // Timed events in UTC (the service's clock runs two hours ahead), whole days as dates.
  EXPECT_TRUE(has("DTSTART:20250602T180000Z"));
  EXPECT_TRUE(has("DTSTART:20250525T173000Z"));
  EXPECT_TRUE(has("DTSTART;VALUE=DATE:20250605"));
  EXPECT_TRUE(has("DTEND;VALUE=DATE:20250606"));
  EXPECT_TRUE(has("DTSTAMP:20250601T123000Z"));
  EXPECT_TRUE(has("SUMMARY:Raid\\; keys\\, \\\\ all"));
  EXPECT_TRUE(has("DESCRIPTION:Line 1\\nLine 2\\n\\nAdded by Queen Ann"));
  EXPECT_TRUE(has("SUMMARY:" + long_title + "\xC3\xA9")) << "unfolds to the whole title";
  EXPECT_THAT(feed.body, Not(HasSubstr("Long ago"))) << "older than a month";

  std::vector<std::string> uids;
  for (const std::string& line : lines) {
    if (line.starts_with("UID:")) uids.push_back(line);
  }
  ASSERT_EQ(uids.size(), 3u);
  EXPECT_EQ(std::set<std::string>(uids.begin(), uids.end()).size(), 3u);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "BEGIN:VEVENT"), 3);
  EXPECT_EQ(CalendarLines(Get("/events.ics").body), lines) << "the same feed the next time";
}

TEST(EventCalendarTest, EscapesTextAndFoldsLongLinesBetweenCharacters) {
  const struct {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"plain", "plain"},          {"a,b;c", "a\\,b\\;c"},         {"back\\slash", "back\\\\slash"},
      {"one\r\ntwo", "one\\ntwo"}, {"one\rtwo\n", "one\\ntwo\\n"}, {"tab\there\x07", "tab here"},
  };
  for (const auto& c : cases) EXPECT_EQ(service::EscapeCalendarText(c.text), c.escaped) << c.text;

  EXPECT_EQ(service::FoldCalendarLine("SUMMARY:short"), "SUMMARY:short\r\n");
  // 74 two-byte characters after the name: no fold may split one.
  std::string line = "SUMMARY:";
  for (int i = 0; i < 74; ++i) line += "\xC3\xA9";
  const std::string folded = service::FoldCalendarLine(line);
  std::string unfolded;
  std::size_t start = 0;
  for (std::size_t end; (end = folded.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string piece = folded.substr(start, end - start);
    EXPECT_LE(piece.size(), 75u);
    EXPECT_NE(static_cast<unsigned char>(piece[start == 0 ? 0 : 1]) & 0xC0, 0x80) << piece;
    unfolded += start == 0 ? piece : piece.substr(1);
  }
  EXPECT_EQ(unfolded, line);
  EXPECT_EQ(start, folded.size());
  // Bytes that are no UTF-8 still end.
  EXPECT_EQ(service::FoldCalendarLine(std::string(200, '\x80')).size(), 200u + 2 * 3 + 2);
}

}  // namespace
}  // namespace ostravel::test
