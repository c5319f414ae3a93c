// The members' page and its JSON through the router, on a real database file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "MembersPageFixture.h"
#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/Router.h"
#include "service/page/HtmlText.h"
#include "service/store/CharacterTable.h"
#include "service/store/EventTable.h"
#include "service/store/StaffTable.h"

namespace ostravel::test {
namespace {

using nlohmann::json;
using service::AllegianceService;
using service::HttpRequest;
using service::HttpResponse;
using ::testing::Contains;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::Pair;

TEST_F(MembersPageTest, ShowsWhoIsOnlineWhatIsPlannedAndEscapesEveryPlayersText) {
  Post("update.php", CharRecord(kAnn, "Queen <b>Ann</b>", 200));
  Post("update.php", CharRecord(kBob, "Bob O'Neil", 72));
  service_->Db().Write([](service::SqliteConnection& db) {
    service::SetRole(db, "bob o'neil", "pkgeneral", true);
    service::SetMessageOfTheDay(db, "Court at \"eight\"");
    return std::string();
  });
  Post("event.php", Command(kAnn, "add 2025-06-02 20:00 <script>alert(1)</script>, bring 'keys'"));
  const HttpResponse page = Get("/");
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.content_type, "text/html; charset=utf-8");
  EXPECT_THAT(page.body,
              HasSubstr("<tr><td>Queen &lt;b&gt;Ann&lt;/b&gt;<td>200<td>Adventurer<td></tbody>"));
  EXPECT_THAT(page.body, HasSubstr("<tr><td>Bob O&#39;Neil<td>72<td>Adventurer<td>PK General"));
  EXPECT_THAT(page.body, HasSubstr("Court at &quot;eight&quot;"));
  EXPECT_THAT(page.body,
              HasSubstr("<td><time datetime=\"2025-06-02T20:00:00+02:00\">2025-06-02 20:00</time>"
                        "<td><strong>&lt;script&gt;alert(1)&lt;/"
                        "script&gt;</strong><span class=\"desc\">bring &#39;keys&#39;"));
  EXPECT_THAT(page.body, Not(HasSubstr("<script>alert")));
  EXPECT_THAT(page.body, Not(HasSubstr("<b>Ann")));
  EXPECT_THAT(page.body, HasSubstr("Data taken <time id=\"taken-at\">2025-06-01 14:30:00</time>"));

  const json online = GetJson("/api/online");
  EXPECT_EQ(online["taken_at"], "2025-06-01 14:30:00");
  EXPECT_EQ(online["motd"], "Court at \"eight\"");
  EXPECT_EQ(online["online"][0],
            json::parse(R"({"name": "Bob O'Neil", "level": 72, "class": "Adventurer",
                            "roles": ["pkgeneral"]})"));
  EXPECT_EQ(online["online_total"], 2);
  EXPECT_EQ(online["recent"], json::array()) << "the online are listed once";
  const json events = GetJson("/api/events");
  EXPECT_EQ(events["events"][0], json::parse(R"({"id": 1, "title": "<script>alert(1)</script>",
                            "starts": "2025-06-02 20:00", "has_time": true,
                            "starts_iso": "2025-06-02T20:00:00+02:00", "description": "bring 'keys'", "added_by": "Queen <b>Ann</b>"})"));
}

TEST_F(MembersPageTest, KeepsLocationBirthAgeExperienceAndMessagesOffThePage) {
  std::string record = CharRecord(kAnn, "Queen Ann", 200);
  for (const auto& [from, to] :
       {std::pair{"TotalXp=0", "TotalXp=918273645"},
        std::pair{"UnassignedXp=0", "UnassignedXp=554433"},
        std::pair{"ProducedXp=0", "ProducedXp=776655"}, std::pair{"Deaths=12", "Deaths=8642"}}) {
    record.replace(record.find(from), std::string_view(from).size(), to);
  }
  Post("update.php", record);
  Post("message.php", Command(kAnn, "send Queen Ann Secret plans for the raid"));
  const std::string everything = Get("/").body + Get("/api/online").body + Get("/api/events").body;
  for (const char* secret :
       {"2103705619", "2004-06-07", "3600000", "918273645", "554433", "776655", "8642", "Darktide",
        "Aluvian", "Female", "Sir Wendel", "Tam Brightwater", "Lockpick", "Secret plans"}) {
    EXPECT_THAT(everything, Not(HasSubstr(secret))) << secret;
  }
  EXPECT_THAT(everything, HasSubstr("Queen Ann"));
}

TEST_F(MembersPageTest, ListsTheLastSevenDaysAndTheEventsFromToday) {
  Offline(101, "Seen Six Days Ago", "2025-05-26 14:30:00");
  Offline(102, "Seen Eight Days Ago", "2025-05-24 14:29:59");
  Offline(103, "Seen Seven Days Ago", "2025-05-25 14:30:00");
  Post("update.php", CharRecord(kCid, "Cid Online", 50));
  service_->Db().Write([](service::SqliteConnection& db) {
    service::InsertEvent(db, {"2025-05-31 20:00", true, "Yesterday", "", kCid, ""});
    service::InsertEvent(db, {"2025-06-01 09:00", true, "This morning", "", kCid, ""});
    service::InsertEvent(db, {"2025-06-05", false, "Later", "", 999, ""});
    service::SetFriend(db, "Seen Six Days Ago", "Other Allegiance", true);
    return std::string();
  });
  const json online = GetJson("/api/online");
  std::vector<std::string> recent;
  for (const auto& member : online["recent"]) recent.push_back(member["name"]);
  // Friends of the allegiance are not members, and the online have their own list.
  EXPECT_EQ(recent, (std::vector<std::string>{"Seen Seven Days Ago"}));
  EXPECT_EQ(online["recent"][0]["last_seen"], "2025-05-25 14:30:00");
  std::vector<std::string> titles;
  const json events = GetJson("/api/events");
  for (const auto& event : events["events"]) titles.push_back(event["title"]);
  // The whole of today counts, as in the plug-in's "Todays Quests/Events".
  EXPECT_EQ(titles, (std::vector<std::string>{"This morning", "Later"}));
  EXPECT_EQ(events["events"][1]["starts"], "2025-06-05");
  EXPECT_EQ(events["events"][1]["added_by"], "");
  EXPECT_THAT(Get("/").body, HasSubstr("<tr><td>Seen Seven Days Ago<td>2025-05-25 14:30:00"));
}

TEST_F(MembersPageTest, ShowsFellowshipsAndThePlayersLookingForOne) {
  const std::string lonely = CharRecord(kBob, "Lonely Bob", 72);
  std::string enlisted = lonely;
  enlisted.replace(enlisted.find("WantFellowship=0"), 16, "WantFellowship=1");
  Post("update.php", enlisted);
  Post("update.php", CharRecord(kCid, "Cid Leader", 50));
  Post("fellowship.php",
       StdFields(kCid) +
           "&FellowshipName=Night Watch&SharedXp=True&LeaderCID=" + std::to_string(kCid) +
           "&LeaderName=Cid Leader&LeaderLevel=50&Fellows=1&Fellow1CID=" + std::to_string(kCid) +
           "&Fellow1Name=Cid Leader&Fellow1Level=50");
  const json online = GetJson("/api/online");
  EXPECT_EQ(online["fellowships"], json::parse(R"([{"name": "Night Watch", "leader": "Cid Leader",
                                                     "leader_level": 50, "fellows": 1}])"));
  EXPECT_EQ(online["seeking_fellowship"],
            json::parse(R"([{"name": "Lonely Bob", "level": 72, "class": "Adventurer"}])"));
  EXPECT_THAT(Get("/").body, HasSubstr("<tr><td>Night Watch<td>Cid Leader<td>50<td>1</tbody>"));
}

TEST_F(MembersPageTest, EveryAnswerForbidsInlineScriptOtherOriginsSniffingAndCaching) {
  for (const char* path : {"/", "/api/online", "/api/events", "/members.js", "/members.css"}) {
    const HttpResponse response = Get(path);
    EXPECT_EQ(response.status, 200) << path;
    const std::string policy = Header(response, "Content-Security-Policy");
    EXPECT_THAT(policy, HasSubstr("default-src 'none'")) << path;
    EXPECT_THAT(policy, HasSubstr("script-src 'self';")) << path;
    EXPECT_THAT(policy, Not(HasSubstr("unsafe"))) << path;
    EXPECT_THAT(policy, Not(HasSubstr("http"))) << path;
    EXPECT_EQ(Header(response, "X-Content-Type-Options"), "nosniff") << path;
    EXPECT_EQ(Header(response, "Set-Cookie"), "") << path;
  }
  for (const char* path : {"/", "/api/online", "/api/events"}) {
    EXPECT_EQ(Header(Get(path), "Cache-Control"), "no-store") << path;
  }
  EXPECT_EQ(Get("/members.js").content_type, "text/javascript; charset=utf-8");
  EXPECT_EQ(Header(Get("/members.css"), "Cache-Control"), "no-cache");
  // The page names its assets with the program's version; those may be kept.
  const std::string page = Get("/").body;
  const std::size_t tag = page.find("/members.js?v=");
  ASSERT_NE(tag, std::string::npos);
  const std::string versioned = page.substr(tag, page.find('"', tag) - tag);
  EXPECT_THAT(Header(Get(versioned), "Cache-Control"), HasSubstr("immutable"));
  // Script only from its own file: nothing inline, no handler attributes.
  EXPECT_THAT(page, Not(HasSubstr("<script>")));
  EXPECT_THAT(page, Not(ContainsRegex(" on[a-z]+=")));
  EXPECT_THAT(page, Not(HasSubstr("style=")));
}

TEST_F(MembersPageTest, AnswersGetAndHeadOnlyAndNothingBesideItsOwnPaths) {
  EXPECT_EQ(Get("/", "HEAD").status, 200);
  const HttpResponse post = Get("/api/online", "POST");
  EXPECT_EQ(post.status, 405);
  EXPECT_THAT(post.headers, Contains(Pair("Allow", "GET, HEAD")));
  for (const char* path : {"/index.html", "/api/", "/api/members", "/members.js.map",
                           "/api/online/x", "//members.css", "/page/members.js"}) {
    EXPECT_EQ(Get(path).status, 404) << path;
  }
}

TEST(HtmlTextTest, EscapesWhatCouldEndATextOrStartMarkup) {
  const struct {
    const char* text;
    const char* escaped;
  } cases[] = {
      {"", ""},
      {"Ostra Vel", "Ostra Vel"},
      {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"Tea & cake", "Tea &amp; cake"},
      // An escaped text is escaped again, not taken as markup.
      {"&amp;&#39;", "&amp;amp;&amp;#39;"},
      {"\" onmouseover=\"x", "&quot; onmouseover=&quot;x"},
      {"Gharu'ndim", "Gharu&#39;ndim"},
      // UTF-8 passes unchanged, byte for byte.
      {"Caf\xC3\xA9 \xE2\x9A\x94", "Caf\xC3\xA9 \xE2\x9A\x94"},
      {"<<>>", "&lt;&lt;&gt;&gt;"},
  };
  for (const auto& c : cases) EXPECT_EQ(service::EscapeHtml(c.text), c.escaped) << c.text;
}

TEST_F(MembersPageTest, AMemberWhoSharesNothingShowsOnlyWhileOnlineWithoutClass) {
  // Bob shares nothing and looks for a fellowship; Ann's record is private and a day old.
  Post("update.php", PrivateRecord(kBob, "Bob", 72));
  Post("member.php", "CID=" + std::to_string(kBob) + "&WantFellowship=1&args=help");
  Offline(kAnn, "Queen Ann", "2025-05-31 20:00:00");
  service_->Db().Write([](service::SqliteConnection& db) {
    db.Exec("UPDATE characters SET shares_info = 0");
    return std::string();
  });
  const json online = GetJson("/api/online");
  ASSERT_EQ(online["online"].size(), 1u);
  EXPECT_EQ(online["online"][0]["name"], "Bob");
  EXPECT_EQ(online["online"][0]["class"], "");
  EXPECT_TRUE(online["recent"].empty()) << online.dump();
  EXPECT_TRUE(online["seeking_fellowship"].empty()) << online.dump();
  EXPECT_THAT(Get("/").body, Not(HasSubstr("Adventurer")));
}

}  // namespace
}  // namespace ostravel::test
