// Who is asking, through the service without its transport: keys trusted on first use, names
// that belong to one character, mail to members only, records that speak for themselves, and
// what a member who shares nothing still shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "ServiceTestSupport.h"
#include "service/AllegianceService.h"
#include "service/admin/AccessAdmin.h"
#include "service/admin/AdminCommands.h"
#include "service/store/KeyTable.h"

namespace ostravel::test {
namespace {

using service::AllegianceService;
using service::ScriptReply;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

constexpr std::int32_t kMallory = 1342177500;

class IdentityRulesTest : public ::testing::Test {
 protected:
  IdentityRulesTest() { Open(); }

  void Open(bool open_access = false) {
    service_.reset();
    service::ServiceOptions options;
    options.database = File();
    options.now = FixedNow;
    options.errors = &errors_;
    options.open_access = open_access;
    service_ = std::make_unique<AllegianceService>(std::move(options));
  }
  std::filesystem::path File() const { return folder_.Path() / "allegiance.sqlite"; }
  ScriptReply Send(std::string_view script, const std::string& body, std::string key = {}) {
    return service_->Post(script, body, {std::move(key), "127.0.0.1"});
  }
  std::string Ask(std::string_view script, std::string_view args, std::int32_t caller = kCid) {
    return Send(script, Command(caller, args)).body;
  }
  void Update(std::int32_t id, std::string_view name) {
    ASSERT_THAT(Send("update.php", CharRecord(id, name, 50)).body, HasSubstr("updated"));
  }
  std::string Export() {
    std::ostringstream out;
    service::ExportDatabase(File(), out);
    return out.str();
  }

  TempFolder folder_;
  std::ostringstream errors_;
  std::unique_ptr<AllegianceService> service_;
};

TEST_F(IdentityRulesTest, AKeyIsTrustedOnFirstUseAndRefusedToOthersOnceUsed) {
  const ScriptReply first = Send("member.php", Command(kCid, "list"));
  const std::string key = first.issued_key;
  EXPECT_EQ(first.status, 200);
  EXPECT_TRUE(service::IsWellFormedKey(key)) << key;
  EXPECT_EQ(key.size(), 43u);
  // Until the key comes back, requests without it get the same one and are served.
  EXPECT_EQ(Send("member.php", Command(kCid, "list")).issued_key, key);
  const ScriptReply used = Send("member.php", Command(kCid, "list"), key);
  EXPECT_EQ(used.status, 200);
  EXPECT_THAT(used.issued_key, IsEmpty());
  for (const std::string& other : {std::string(), service::NewAccessKey(), std::string("x y")}) {
    SCOPED_TRACE(other);
    const ScriptReply refused = Send("message.php", Command(kCid, "inbox"), other);
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.refused, "key");
    EXPECT_EQ(refused.rate_cost, service::kRefusedKeyCost);
    EXPECT_THAT(refused.body, HasSubstr("ask an officer to reset it"));
    EXPECT_THAT(refused.issued_key, IsEmpty());
  }
  EXPECT_THAT(errors_.str(), HasSubstr("wrong key for character " + std::to_string(kCid)));
  EXPECT_THAT(errors_.str() + Export(), Not(HasSubstr(key)));
  // Another character is not bound by it.
  EXPECT_FALSE(Send("member.php", Command(kBob, "list")).issued_key.empty());
}

TEST_F(IdentityRulesTest, AfterAResetTheNextRequestGetsANewKeyAndTheOldOneIsRefused) {
  Update(kCid, "Ostra Vel");
  const std::string old_key = Send("member.php", Command(kCid, "list")).issued_key;
  ASSERT_EQ(Send("member.php", Command(kCid, "list"), old_key).status, 200);
  service::ResetKeyOnFile(File(), "ostra vel");
  const std::string new_key = Send("member.php", Command(kCid, "list")).issued_key;
  EXPECT_FALSE(new_key.empty());
  EXPECT_NE(new_key, old_key);
  EXPECT_EQ(Send("member.php", Command(kCid, "list"), old_key).status, 403);
  EXPECT_EQ(Send("member.php", Command(kCid, "list"), new_key).status, 200);
  EXPECT_THAT([&] { service::ResetKeyOnFile(File(), "Nobody"); },
              ::testing::ThrowsMessage<std::invalid_argument>(HasSubstr("no character named")));
}

TEST_F(IdentityRulesTest, AKeyHandedOutBeforeARestartStillCountsAndTheFirstOneUsedWins) {
  const std::string before = Send("member.php", Command(kCid, "list")).issued_key;
  Open();  // the keys handed out are in memory no more
  const std::string after = Send("member.php", Command(kCid, "list")).issued_key;
  EXPECT_NE(after, before);
  EXPECT_EQ(Send("member.php", Command(kCid, "list"), before).status, 200);
  EXPECT_EQ(Send("member.php", Command(kCid, "list"), after).status, 403);
}

TEST_F(IdentityRulesTest, OpenAccessAsksForNoKey) {
  Open(true);
  const std::string stranger_key = service::NewAccessKey();
  for (const std::string& key : {std::string(), stranger_key}) {
    const ScriptReply reply = Send("member.php", Command(kCid, "list"), key);
    EXPECT_EQ(reply.status, 200);
    EXPECT_THAT(reply.issued_key, IsEmpty());
  }
}

TEST_F(IdentityRulesTest, WithoutACharacterIdOnlyTheMessageOfTheDayAndHelpAreServed) {
  Update(kBob, "Bob");
  const std::string before = Export();
  struct Case {
    std::string_view script;
    std::string body;
    bool served;
  };
  const std::string no_cid = "MID=0&Location=0&FLID=0&WantFellowship=0";
  const std::vector<Case> cases = {
      {"message.php", no_cid + "&args=motd", true},
      {"message.php", Command(0, "motd"), true},
      {"member.php", Command(0, ""), true},
      {"message.php", Command(0, "send Bob hello"), false},
      {"message.php", Command(0, "inbox"), false},
      {"message.php", Command(0, "motd Free drinks"), false},
      {"event.php", Command(0, "add today Raid"), false},
      {"member.php", Command(0, "whois Bob"), false},
      {"update.php", CharRecord(0, "Zero", 10), false},
      {"fellowship.php", StdFields(0) + "&FellowshipName=0&Fellows=0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const ScriptReply reply = Send(c.script, c.body);
    EXPECT_EQ(reply.status, 200);
    EXPECT_THAT(reply.issued_key, IsEmpty());
    EXPECT_EQ(reply.body.starts_with("This request carries no character id"), !c.served);
  }
  EXPECT_EQ(Export(), before);
}

TEST_F(IdentityRulesTest, MailGoesToTheLongestMemberNameTheTextStartsWith) {
  Update(kAnn, "Ann");
  Update(kBob, "Ann Marie");
  struct Case {
    std::string args;
    std::string to;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"send Ann hi", "Ann", "hi"},
      {"send ann marie hello there", "Ann Marie", "hello there"},
      {"send Ann hi, see you at 8", "Ann", "hi, see you at 8"},
      {"send Ann Marie, see you", "Ann Marie", "see you"},
      {"Ann, ok", "Ann", "ok"},
  };
  int id = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(Ask("message.php", c.args),
              "Message " + std::to_string(++id) + " to " + c.to + " stored.");
    EXPECT_THAT(Lines(Ask("message.php", "read " + std::to_string(id))),
                ElementsAre(HasSubstr("To: " + c.to), c.text));
  }
}

TEST_F(IdentityRulesTest, MailToNoKnownMemberIsRefusedNamingTheNameAndTheClosestOnes) {
  Update(kAnn, "Anne");
  Update(kBob, "Anna Bell");
  EXPECT_EQ(Ask("message.php", "send Ann hi"),
            "No member is named Ann; the message is not stored. Closest names: Anna Bell, Anne.");
  EXPECT_EQ(Ask("message.php", "send Zed Nobody, hello"),
            "No member is named Zed Nobody; the message is not stored.");
  EXPECT_EQ(Ask("message.php", "outbox"), "No sent messages.");
  // A name taken after the message was refused gets nothing.
  Update(kMallory, "Zed Nobody");
  EXPECT_EQ(Ask("message.php", "inbox", kMallory), "Your inbox is empty.");
}

TEST_F(IdentityRulesTest, ANameBelongsToOneCharacterUntilTheAdminMovesIt) {
  Update(kBob, "Bob");
  const ScriptReply taken = Send("update.php", CharRecord(kMallory, "BOB", 99));
  EXPECT_THAT(taken.body, HasSubstr("belongs to another character"));
  EXPECT_EQ(Value(Ask("member.php", "whois Bob"), "Level"), "50");
  service::RenameCharacterOnFile(File(), kMallory, "Bob");
  EXPECT_THAT(Send("update.php", CharRecord(kMallory, "Bob", 99)).body, HasSubstr("updated"));
  EXPECT_EQ(Value(Ask("member.php", "whois Bob"), "Level"), "99");
  std::ostringstream audit;
  service::PrintAudit(File(), audit);
  EXPECT_THAT(audit.str(), HasSubstr("admin\trename " + std::to_string(kMallory) + " Bob"));
}

TEST_F(IdentityRulesTest, ARecordNeitherRenamesNorMovesCharactersWhoPostTheirOwn) {
  Update(kAnn, "Queen Ann");
  // Mallory names Ann as her vassal under another name, and an unknown one beside her.
  const std::string forged =
      "&Vassals=2&Vassal1CID=" + std::to_string(kAnn) + "&Vassal1PID=" + std::to_string(kMallory) +
      "&Vassal1Name=Traitor&Vassal2CID=77&Vassal2PID=" + std::to_string(kMallory) +
      "&Vassal2Name=New Squire";
  std::string record = CharRecord(kMallory, "Mallory", 30);
  record = record.substr(0, record.find("&Vassals=")) + forged;
  ASSERT_THAT(Send("update.php", record).body, HasSubstr("updated"));
  EXPECT_THAT(Column(Ask("member.php", "vassals Mallory"), "Name"), ElementsAre("New Squire"));
  EXPECT_THAT(Ask("member.php", "vassals Sir Wendel"), Not(HasSubstr("Traitor")));
}

TEST_F(IdentityRulesTest, AFellowshipReportSpeaksForTheReportersOwnFellowshipOnly) {
  const std::string bob = std::to_string(kBob);
  const std::string own = StdFields(kBob) + "&FellowshipName=Band&SharedXp=True&LeaderCID=" + bob +
                          "&LeaderName=Bob&LeaderLevel=50&Fellows=1&Fellow1CID=" + bob +
                          "&Fellow1Name=Bob&Fellow1Level=50";
  ASSERT_THAT(Send("fellowship.php", own).body, StartsWith("Fellowship Band recorded"));
  std::string forged = own.substr(own.find("&FellowshipName"));
  forged = StdFields(kMallory) + "&FellowshipName=Fake" + forged.substr(forged.find("&SharedXp"));
  EXPECT_THAT(Send("fellowship.php", forged).body, HasSubstr("not stored"));
  EXPECT_THAT(Column(Ask("member.php", "fellowships"), "Fellowship"), ElementsAre("Band"));
}

TEST_F(IdentityRulesTest, AMemberWhoSharesNothingShowsNameLevelOnlineAndRolesOnly) {
  // Bob: Share off, a PK, trained in alchemy, looking for a fellowship, standing by us.
  ASSERT_THAT(Send("update.php", PrivateRecord(kBob, "Bob", 50)).body, HasSubstr("updated"));
  service::SetStaffRoleOf(File(), "Bob", "brt", true);
  Send("member.php", "CID=" + std::to_string(kBob) +
                         "&MID=1342177281&Location=2103705619&FLID=0&WantFellowship=1&args=list");
  for (const char* filters : {"pk", "alchemy", "lockpick", "nearby", "wantgroup", "soloplayer"}) {
    SCOPED_TRACE(filters);
    EXPECT_THAT(Column(Ask("member.php", std::string("list ") + filters), "Name"),
                Not(::testing::Contains("Bob")));
  }
  const std::string online = Ask("member.php", "list online brt level>49");
  EXPECT_EQ(Value(online, "Name"), "Bob");
  EXPECT_EQ(Value(online, "Template"), "");
  const std::string whois = Ask("member.php", "whois Bob");
  EXPECT_EQ(Value(whois, "Level"), "50");
  EXPECT_EQ(Value(whois, "Staff"), "brt");
  for (const char* hidden : {"Template", "Server", "Skills", "PK", "Monarch", "Race"}) {
    EXPECT_EQ(Value(whois, hidden), "") << hidden;
  }
  EXPECT_EQ(Ask("member.php", "vassals Bob"), "Bob keeps the allegiance tree private.");
}

}  // namespace
}  // namespace ostravel::test
